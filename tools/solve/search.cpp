#include "solve/search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "game/form.h"
#include "run/session.h"
#include "solve/beam_state.h"
#include "solve/bound.h"
#include "solve/position_set.h"
#include "solve/route.h"
#include "solve/tick_state.h"
#include "sys/splitmix64.h"

namespace dravik::solve {

namespace {

constexpr std::array<Move, 9> kMoves = {{
    {0, 0},
    {1, 0},
    {-1, 0},
    {0, 1},
    {0, -1},
    {1, 1},
    {1, -1},
    {-1, 1},
    {-1, -1},
}};

std::uint8_t MoveCode(Move m)
{
    for (std::size_t c = 0; c < kMoves.size(); ++c) {
        if (kMoves[c] == m) {
            return static_cast<std::uint8_t>(c);
        }
    }
    return 0;
}

// A hash of one word, for the beam's tie-breaks.
std::uint64_t Mix(std::uint64_t x)
{
    return sys::SplitMix64(x);
}

// A move of a state, ranked: fewest estimated ticks still to go first, then
// the seeded tie-break, then the state's place in the beam and the move.
struct Candidate {
    std::uint64_t rank = 0;    // the estimated ticks still to go, above the tie-break
    std::uint64_t place = 0;   // the state's index in the beam, above the move
    std::uint32_t target = 0;  // the place it aims at
    std::uint32_t next = 0;    // another candidate aiming there
    Candidate() = default;
    Candidate(std::uint32_t score, std::uint32_t tie, std::uint32_t parent, std::uint8_t move)
        : rank(std::uint64_t{score} << 32 | tie), place(std::uint64_t{parent} << 8 | move)
    {
    }
    std::uint32_t Parent() const { return static_cast<std::uint32_t>(place >> 8); }
    std::uint8_t Move() const { return static_cast<std::uint8_t>(place); }
    friend bool operator<(const Candidate& a, const Candidate& b)
    {
        return a.rank != b.rank ? a.rank < b.rank : a.place < b.place;
    }
};

inline constexpr std::uint32_t kNone = 0xFFFFFFFF;

// A place that candidates aim at this tick.
struct Target {
    std::uint32_t tie;   // the tie-break of every move there
    int cell;            // its cell on the map
    std::uint32_t best;  // the best candidate aiming there
    std::uint32_t all;   // every candidate aiming there, linked by Candidate::next
};

// What one real tick did to a state.
struct Step {
    bool died = false;
    bool won = false;
    float left = 0, top = 0;
    KeySet keys;
};

class WinFlag : public MessageBox {
public:
    void Show(std::string_view) override { shown = true; }
    bool shown = false;
};

// Calls deliver(kind, key code) for each arrow event that turns the arrows
// held in `from` into those of `to`: a key-down for each axis that starts or
// turns, a key-up for each that stops.
template <typename Deliver>
void ArrowEvents(Move from, Move to, Deliver deliver)
{
    auto axis = [&](std::int8_t was, std::int8_t now, std::int16_t less, std::int16_t more) {
        if (was == now) {
            return;
        }
        if (now == 0) {
            deliver(run::EventKind::KeyUp, was < 0 ? less : more);
        } else {
            deliver(run::EventKind::KeyDown, now < 0 ? less : more);
        }
    };
    axis(from.dx, to.dx, vbKeyLeft, vbKeyRight);
    axis(from.dy, to.dy, vbKeyUp, vbKeyDown);
}

// True when a push-out against the wall could set the square's Top or Left
// to that of the start point: each resolution sets one of them to a value
// formed from the wall and the square's size, as CheckWalls forms it.
bool PushesOntoStart(const Shape& square, const Shape& wall)
{
    return wall.Top - square.Height == kStartTop || wall.Top + wall.Height == kStartTop ||
           wall.Left + wall.Width == kStartLeft || wall.Left - square.Width == kStartLeft;
}

class Searcher {
public:
    Searcher(const SearchOptions& options, std::chrono::steady_clock::time_point began, const StaticMap& map,
             const RoutePlanner& planner, Route route)
        : options_(options),
          began_(began),
          map_(map),
          route_(std::move(route)),
          fields_(route_.aims.size() + 1, &planner.TowardsGoal()),
          keyCount_(world0_.Key.UBound() + 1)
    {
        for (std::size_t stage = 0; stage < route_.aims.size(); ++stage) {
            fields_[stage] = &planner.TowardsAim(route_.aims[stage]);
        }
        if (keyCount_ > 256 || world0_.Key.Contiguous() == nullptr) {
            throw std::runtime_error("the solver needs at most 256 keys, numbered without a gap");
        }
        // A death is told by the respawn (see Try): the square ends the tick
        // on the start point plus its step. The last wall a push-out resolves
        // sets the square's Top or Left to a value formed from that wall; when
        // no wall can give the start point's, no push-out ends there.
        for (std::int16_t w = 0; w <= world0_.Wall.UBound(); ++w) {
            if (PushesOntoStart(world0_.Square, world0_.Wall.Item(w))) {
                throw std::logic_error("a push-out could end on the start point: a death cannot be told from it");
            }
        }
    }

    template <typename... Args>
    void Report(const char* format, Args... args) const
    {
        if (options_.progress) {
            char line[200];
            std::snprintf(line, sizeof line, format, args...);
            options_.progress(line);
        }
    }
    std::uint64_t TicksTried() const { return ticksTried_; }

    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - began_).count(); }

    // One beam search of the given width. Returns Won, TimeUp or NoRun
    // (the beam died out). It starts from the start point, or from where an
    // earlier tour's beam of the same width was taken over. Every handover
    // is made at the start of the first tick in which a state of the beam
    // holds all the keys it shares with its later tour; a beam that dies
    // out before then tells the later tour so.
    Outcome Beam(std::size_t width, Run& run, const Takeover* from, std::vector<Handover> handovers)
    {
        std::uint64_t tick = 0;
        const Outcome outcome = BeamFrom(width, run, from, handovers, tick);
        if (outcome == Outcome::NoRun) {
            for (const Handover& h : handovers) {
                DiedOut(h, width, tick);
            }
        }
        return outcome;
    }

    // Tells a later tour that its beam of this width dies out in this tick.
    static void DiedOut(const Handover& h, std::size_t width, std::uint64_t tick)
    {
        Takeover& t = h.into->emplace_back();
        t.tour = h.from;
        t.width = width;
        t.tick = tick;
        t.diedOut = true;
    }

private:
    Outcome BeamFrom(std::size_t width, Run& run, const Takeover* from, std::vector<Handover>& handovers,
                     std::uint64_t& tick)
    {
        std::vector<State> beam;
        std::uint64_t first = 1;
        if (from != nullptr) {
            TakeOver(*from, beam);
            first = from->tick;
        } else {
            world_ = world0_;
            // The world only carries the balls: its square waits far off the
            // map, where nothing can touch it.
            world_.Square.Left = kParked;
            world_.Square.Top = kParked;
            work_ = world0_;
            workKeys_ = KeySet{};
            nodes_.assign(1, Node{0, 0});
            beam.assign(1, State{world0_.Square.Left, world0_.Square.Top, Move{}, 0, 0, 0, KeySet{}});
        }
        std::vector<State> next;

        for (tick = first; tick <= options_.maxTicks; ++tick) {
            if (options_.timeLimit > 0 && Elapsed() > options_.timeLimit) {
                return Outcome::TimeUp;
            }
            if (!handovers.empty()) {
                HandOver(beam, width, tick, handovers);
            }
            if (options_.progress && tick % 250 == 0) {
                Report("width %zu: tick %llu, keys %d of %d, %.1f s", width, static_cast<unsigned long long>(tick),
                       BestCount(beam), keyCount_, Elapsed());
            }
            Expand(beam, tick);
            const std::uint32_t winner = Select(beam, width, next);
            if (winner != kNoWinner) {
                run = RecordWin(beam[winner], tick);
                return Outcome::Won;
            }
            if (next.empty()) {
                return Outcome::NoRun;
            }
            beam.swap(next);
            AdvanceWorld();
            if (tick % kCompactEvery == 0) {
                Compact(beam, nodes_);
            }
        }
        return Outcome::NoRun;
    }

    // Until some state of the beam holds every key that two tours share at
    // the start of their orders, the two rank every candidate alike: each
    // state's stage lies in the shared part, where the travel to its next
    // aim is the same and the travel still ahead differs by one amount
    // for all (the hop out of the shared part and the rest of the tour).
    // Ties are broken by the tick and the place, not by the tour. So both
    // searches keep the same states, tick for tick, up to that point.
    void HandOver(const std::vector<State>& beam, std::size_t width, std::uint64_t tick,
                  std::vector<Handover>& handovers)
    {
        std::size_t most = 0;
        for (const State& s : beam) {
            most = std::max<std::size_t>(most, s.stage);
        }
        for (auto h = handovers.begin(); h != handovers.end();) {
            if (most < h->keys) {
                ++h;
                continue;
            }
            Takeover& t = h->into->emplace_back();
            t.tour = h->from;
            t.width = width;
            t.tick = tick;
            t.beam = beam;
            t.nodes = nodes_;
            Compact(t.beam, t.nodes);
            t.world = world_;
            t.work = work_;
            t.workKeys = workKeys_;
            h = handovers.erase(h);
        }
    }

    // Goes on from an earlier tour's beam. Stages count this tour's order,
    // which agrees with that tour's up to the keys they share.
    void TakeOver(const Takeover& from, std::vector<State>& beam)
    {
        world_ = from.world;
        work_ = from.work;
        workKeys_ = from.workKeys;
        nodes_ = from.nodes;
        beam = from.beam;
        for (State& s : beam) {
            s.stage = 0;
            CountStage(s);
        }
    }

    // Moves a state's stage on past every key of the route's order that it
    // holds from there.
    void CountStage(State& s) const
    {
        while (s.stage < route_.order.size() && s.keys.Has(route_.order[s.stage])) {
            ++s.stage;
        }
    }

    // Most of the history soon leads nowhere: every so many ticks, keep only
    // what the beam descends from.
    static constexpr std::uint64_t kCompactEvery = 256;
    static constexpr float kParked = -100000;
    static constexpr std::uint32_t kNoWinner = 0xFFFFFFFF;

    // Ranks the nine moves of every state of the beam into candidates_,
    // each filed under the place it aims at (targets_), best first.
    void Expand(const std::vector<State>& beam, std::uint64_t tick)
    {
        candidates_.clear();
        targets_.clear();
        aimed_.Clear();
        for (std::uint32_t p = 0; p < beam.size(); ++p) {
            const State& s = beam[p];
            for (std::uint8_t m = 0; m < static_cast<std::uint8_t>(kMoves.size()); ++m) {
                const float left = s.left + static_cast<float>(kMoves[m].dx * kPitch);
                const float top = s.top + static_cast<float>(kMoves[m].dy * kPitch);
                const auto t = aimed_.Emplace(left, top, static_cast<std::uint32_t>(targets_.size()));
                if (t == targets_.size()) {
                    const std::uint64_t tie =
                        Mix(options_.seed ^
                            Mix(tick * 0x100000001ULL ^ (static_cast<std::uint64_t>(std::lround(left)) << 20) ^
                                static_cast<std::uint64_t>(std::lround(top))));
                    targets_.push_back(Target{static_cast<std::uint32_t>(tie), map_.CellAt(left, top), kNone, kNone});
                }
                const Target& target = targets_[t];
                const std::uint32_t score =
                    Score(s.stage, target.cell) * 256U + (255U - std::min(255U, unsigned{s.count}));
                candidates_.emplace_back(score, target.tie, p, m);
                File(t, static_cast<std::uint32_t>(candidates_.size() - 1));
            }
        }
    }

    // Adds a candidate to the ones aiming at its target.
    void File(std::uint32_t target, std::uint32_t c)
    {
        Target& t = targets_[target];
        candidates_[c].target = target;
        candidates_[c].next = t.all;
        t.all = c;
        if (t.best == kNone || candidates_[c] < candidates_[t.best]) {
            t.best = c;
        }
    }

    // The best candidate aiming at the same place that comes after c, or kNone.
    std::uint32_t NextAfter(std::uint32_t c) const
    {
        std::uint32_t best = kNone;
        for (std::uint32_t o = targets_[candidates_[c].target].all; o != kNone; o = candidates_[o].next) {
            if (candidates_[c] < candidates_[o] && (best == kNone || candidates_[o] < candidates_[best])) {
                best = o;
            }
        }
        return best;
    }

    // Tries the candidates best first with the real tick and keeps, in
    // `next`, up to `width` outcomes: none that dies, and none that stands
    // where a better one already does. Returns the index of the state whose
    // tick declares the win, or kNoWinner.
    //
    // Of the candidates that aim at one place only the best is tried: once
    // a move to a place is tried and survives, the others are not. A
    // candidate whose state died on an earlier move, or that dies itself,
    // hands its place on to the next best candidate aiming there. So only
    // the best of each place is put in order (`order_`); the ones handed
    // on join them in a heap, and the two are taken together best first:
    // the order in which all the candidates, sorted, would be met.
    std::uint32_t Select(const std::vector<State>& beam, std::size_t width, std::vector<State>& next)
    {
        reached_.Clear();
        doomed_.assign(beam.size(), 0);
        next.clear();
        // Sorted by value, not through their indexes: a candidate's index
        // follows from its state and move (Expand makes nine a state).
        order_.clear();
        for (const Target& target : targets_) {
            order_.push_back(candidates_[target.best]);
        }
        std::sort(order_.begin(), order_.end());
        auto worse = [this](std::uint32_t a, std::uint32_t b) { return candidates_[b] < candidates_[a]; };
        handedOn_.clear();
        std::size_t i = 0;
        while (next.size() < width) {
            std::uint32_t c = kNone;
            if (!handedOn_.empty() && (i == order_.size() || candidates_[handedOn_.front()] < order_[i])) {
                std::pop_heap(handedOn_.begin(), handedOn_.end(), worse);
                c = handedOn_.back();
                handedOn_.pop_back();
            } else if (i < order_.size()) {
                c = order_[i].Parent() * static_cast<std::uint32_t>(kMoves.size()) + order_[i].Move();
                ++i;
            } else {
                break;
            }
            const std::uint32_t p = candidates_[c].Parent();
            const std::uint8_t m = candidates_[c].Move();
            const State& parent = beam[p];
            const Move move = kMoves[m];
            if (!doomed_[p]) {
                const Step step = Try(parent, move);
                if (!step.died) {
                    if (step.won) {
                        return p;
                    }
                    Keep(parent, move, m, step, next);
                    continue;  // the place is taken
                }
                // The state is doomed, whatever it does; another may still
                // reach this place alive.
                doomed_[p] = 1;
            }
            if (const std::uint32_t after = NextAfter(c); after != kNone) {
                handedOn_.push_back(after);
                std::push_heap(handedOn_.begin(), handedOn_.end(), worse);
            }
        }
        return kNoWinner;
    }

    // Keeps the outcome of a move, unless a better one already stands there.
    void Keep(const State& parent, Move move, std::uint8_t m, const Step& step, std::vector<State>& next)
    {
        if (!reached_.Insert(step.left, step.top)) {
            return;
        }
        nodes_.push_back(Node{parent.node, m});
        State child{step.left,    step.top, move,     static_cast<std::uint32_t>(nodes_.size() - 1),
                    parent.stage, 0,        step.keys};
        CountStage(child);
        child.count = static_cast<std::uint16_t>(child.keys.Count());
        next.push_back(child);
    }

    // The win comes from where the square stood, whatever the arrows: the
    // run ends with every arrow released, so the square rests on the start
    // point.
    Run RecordWin(const State& parent, std::uint64_t tick)
    {
        const Step still = Try(parent, Move{});
        if (!still.won) {
            throw std::logic_error("a win depended on the arrows held");
        }
        nodes_.push_back(Node{parent.node, MoveCode(Move{})});
        return Unwind(static_cast<std::uint32_t>(nodes_.size() - 1), tick);
    }

    std::uint32_t Score(std::size_t stage, int cell)
    {
        const Field& field = *fields_[stage];
        const std::uint32_t ahead = stage < route_.remaining.size() ? route_.remaining[stage] : 0;
        if (cell < 0 || field[static_cast<std::size_t>(cell)] == kFar) {
            return 0xFFFFFF;
        }
        return std::min<std::uint32_t>(0xFFFFFF, field[static_cast<std::size_t>(cell)] + ahead);
    }

    static int BestCount(const std::vector<State>& beam)
    {
        int best = 0;
        for (const State& s : beam) {
            best = std::max<int>(best, s.count);
        }
        return best;
    }

    // Runs the game's own tick on a form that holds the world as it is this
    // tick, with the state's square, keys and arrows, the arrows changed by
    // the same events the script will carry. Only what a tick changes is
    // copied in: the balls and variables from the world, the square and the
    // keys from the state.
    Step Try(const State& s, Move move)
    {
        ++ticksTried_;
        CopyTickState(world_, work_);
        work_.Square.Left = s.left;
        work_.Square.Top = s.top;
        Shape* keys = work_.Key.Contiguous();
        for (std::size_t w = 0; w < s.keys.bits.size(); ++w) {
            for (std::uint64_t change = s.keys.bits[w] ^ workKeys_.bits[w]; change != 0; change &= change - 1) {
                const int k = static_cast<int>(w * 64) + std::countr_zero(change);
                keys[k].Visible = !s.keys.Has(k);
            }
        }
        // The world holds no arrow: press what the state holds, then change
        // it to this tick's move.
        auto deliver = [this](run::EventKind kind, std::int16_t code) {
            if (kind == run::EventKind::KeyDown) {
                work_.Form_KeyDown(code, 0);
            } else {
                work_.Form_KeyUp(code, 0);
            }
        };
        ArrowEvents(Move{}, s.held, deliver);
        ArrowEvents(s.held, move, deliver);
        const float stepX = AddStep(kStartLeft, work_.MoveX), stepY = AddStep(kStartTop, work_.MoveY);
        WinFlag flag;
        work_.SetMessageBox(&flag);
        work_.tmrBall_Timer();
        work_.SetMessageBox(nullptr);

        Step step;
        step.won = flag.shown;
        step.left = work_.Square.Left;
        step.top = work_.Square.Top;
        step.keys = s.keys;
        KeySet hidden;
        for (int first = 0; first < keyCount_; first += 64) {
            std::uint64_t even = 0, odd = 0;  // two chains, read side by side
            const int end = std::min(keyCount_, first + 64);
            int k = first;
            for (; k + 1 < end; k += 2) {
                even |= std::uint64_t{!keys[k].Visible} << (k - first);
                odd |= std::uint64_t{!keys[k + 1].Visible} << (k + 1 - first);
            }
            if (k < end) {
                even |= std::uint64_t{!keys[k].Visible} << (k - first);
            }
            hidden.bits[static_cast<std::size_t>(first / 64)] = even | odd;
        }
        workKeys_ = hidden;
        bool shownAgain = false;
        for (std::size_t w = 0; w < hidden.bits.size(); ++w) {
            shownAgain = shownAgain || (s.keys.bits[w] & ~hidden.bits[w]) != 0;
            step.keys.bits[w] |= hidden.bits[w];
        }
        // A death is the respawn: the checks put the square on the start
        // point, and the step takes it on from there. Nothing else ends a
        // tick there from elsewhere (see the constructor); from the start
        // point itself, a death shows again the keys it held. A death there
        // with no key held leaves no mark on the state; the replay of the
        // run found counts DEATHS and would refuse it.
        const bool respawned = step.left == stepX && step.top == stepY;
        const bool fromStart = s.left == kStartLeft && s.top == kStartTop;
        step.died = !step.won && respawned && (!fromStart || shownAgain);
        return step;
    }

    // One tick of the world with no arrow held. Its square, parked far off
    // the map, must neither move nor collect a key.
    void AdvanceWorld()
    {
        world_.tmrBall_Timer();
        if (world_.Square.Left != kParked || world_.Square.Top != kParked) {
            throw std::logic_error("the parked square moved");
        }
        for (int k = 0; k < keyCount_; ++k) {
            if (!world_.Key.Item(static_cast<std::int16_t>(k)).Visible) {
                throw std::logic_error("the parked square collected a key");
            }
        }
    }

    Run Unwind(std::uint32_t node, std::uint64_t tick) const
    {
        Run run;
        run.winTick = tick;
        run.moves.assign(tick, Move{});
        std::uint64_t t = tick;
        while (node != 0) {
            run.moves[--t] = kMoves[nodes_[node].move];
            node = nodes_[node].parent;
        }
        if (t != 0) {
            throw std::logic_error("the history of the run is broken");
        }
        return run;
    }

    // Drops the history that no state of the beam descends from.
    static void Compact(std::vector<State>& beam, std::vector<Node>& nodes)
    {
        std::vector<std::uint32_t> renumber(nodes.size(), 0);
        std::vector<std::uint8_t> live(nodes.size(), 0);
        live[0] = 1;
        for (const State& s : beam) {
            for (std::uint32_t n = s.node; !live[n]; n = nodes[n].parent) {
                live[n] = 1;
            }
        }
        std::vector<Node> kept;
        for (std::size_t n = 0; n < nodes.size(); ++n) {
            if (live[n]) {
                renumber[n] = static_cast<std::uint32_t>(kept.size());
                kept.push_back(Node{renumber[nodes[n].parent], nodes[n].move});
            }
        }
        for (State& s : beam) {
            s.node = renumber[s.node];
        }
        nodes.swap(kept);
    }

    const SearchOptions& options_;
    std::chrono::steady_clock::time_point began_;
    const Form world0_;
    const StaticMap& map_;
    Route route_;
    std::vector<const Field*> fields_;  // by stage: towards its key, then the goal
    int keyCount_;
    Form world_;       // the balls as they are this tick
    Form work_;        // where candidate moves are tried
    KeySet workKeys_;  // the keys hidden in work_
    std::vector<Node> nodes_;
    std::vector<Candidate> candidates_;
    std::vector<Target> targets_;
    std::vector<Candidate> order_;
    std::vector<std::uint32_t> handedOn_;
    PositionSet aimed_{map_.Width() * 2 + 2, map_.Height() * 2 + 2};
    PositionSet reached_{map_.Width() * 2 + 2, map_.Height() * 2 + 2};
    std::vector<std::uint8_t> doomed_;
    std::uint64_t ticksTried_ = 0;
};

}  // namespace

std::vector<run::Event> EventsBetween(Move from, Move to, std::uint64_t tick)
{
    std::vector<run::Event> events;
    ArrowEvents(from, to, [&](run::EventKind kind, std::int16_t code) {
        events.push_back(run::Event{tick, kind, static_cast<std::uint16_t>(code)});
    });
    return events;
}

std::string GapLine(std::uint64_t winTick, std::uint64_t lowerBound)
{
    char line[96];
    std::snprintf(line, sizeof line, "run %llu, bound %llu, gap %.1f %%", static_cast<unsigned long long>(winTick),
                  static_cast<unsigned long long>(lowerBound), GapPercent(winTick, lowerBound));
    return line;
}

std::vector<run::Event> ScriptEvents(const Run& run)
{
    std::vector<run::Event> events;
    Move held;
    for (std::size_t t = 0; t < run.moves.size(); ++t) {
        for (const run::Event& e : EventsBetween(held, run.moves[t], t + 1)) {
            events.push_back(e);
        }
        held = run.moves[t];
    }
    return events;
}

SearchResult Search(const SearchOptions& options)
{
    const auto began = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(); };
    auto report = [&](const std::string& line) {
        if (options.progress) {
            options.progress(line);
        }
    };
    SearchResult result;
    result.lowerBound = WinTickLowerBound();
    {
        char line[120];
        std::snprintf(line, sizeof line, "no run can win before tick %llu, %.1f s",
                      static_cast<unsigned long long>(result.lowerBound), elapsed());
        report(line);
    }
    const Form level;
    const StaticMap map(level);
    const RoutePlanner planner(level, map);
    std::vector<Route> tours = planner.Tours(std::max<std::size_t>(1, options.tours));
    // Tours that start alike search alike until their orders part: each
    // later tour takes up the beam of the first earlier one with which it
    // shares the most keys, at the tick where it would begin to differ.
    std::vector<std::vector<Handover>> handovers(tours.size());
    std::vector<std::vector<Takeover>> takeovers(tours.size());
    for (std::size_t later = 1; later < tours.size(); ++later) {
        std::size_t most = 0, donor = 0;
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const std::size_t shared = SharedKeys(tours[earlier], tours[later]);
            if (shared > most) {
                most = shared;
                donor = earlier;
            }
        }
        if (most > 0) {
            handovers[donor].push_back(Handover{donor, most, &takeovers[later]});
        }
    }
    for (std::size_t tour = 0; tour < tours.size(); ++tour) {
        Route& route = tours[tour];
        if (tour == 0) {
            result.plannedTicks = route.length;
        }
        char line[160];
        std::snprintf(line, sizeof line, "tour %zu: %u ticks on the map without balls, %.1f s", tour,
                      unsigned{route.length}, elapsed());
        report(line);

        Searcher searcher(options, began, map, planner, std::move(route));
        Run run;
        Outcome outcome = Outcome::NoRun;
        std::size_t width = std::max<std::size_t>(1, options.width);
        for (;; width *= 2) {
            const auto takeover = std::find_if(takeovers[tour].begin(), takeovers[tour].end(),
                                               [&](const Takeover& t) { return t.width == width; });
            if (takeover == takeovers[tour].end()) {
                outcome = searcher.Beam(width, run, nullptr, handovers[tour]);
            } else if (takeover->diedOut) {
                std::snprintf(line, sizeof line, "tour %zu: width %zu dies out in tick %llu, as in tour %zu", tour,
                              width, static_cast<unsigned long long>(takeover->tick), takeover->tour);
                report(line);
                for (const Handover& h : handovers[tour]) {
                    Searcher::DiedOut(h, width, takeover->tick);
                }
                outcome = Outcome::NoRun;
            } else {
                std::snprintf(line, sizeof line, "tour %zu: width %zu takes up the beam of tour %zu at tick %llu", tour,
                              width, takeover->tour, static_cast<unsigned long long>(takeover->tick));
                report(line);
                outcome = searcher.Beam(width, run, &*takeover, handovers[tour]);
            }
            if (outcome != Outcome::NoRun || width * 2 > std::max(options.width, options.maxWidth)) {
                break;
            }
        }
        takeovers[tour].clear();
        result.ticksTried += searcher.TicksTried();
        result.tours = tour + 1;
        if (outcome == Outcome::Won) {
            std::snprintf(line, sizeof line, "tour %zu: win at tick %llu, %.1f s", tour,
                          static_cast<unsigned long long>(run.winTick), elapsed());
            report(line);
            if (result.outcome != Outcome::Won || run.winTick < result.run.winTick) {
                result.outcome = Outcome::Won;
                result.run = std::move(run);
                result.width = width;
                result.bestTour = tour;
            }
            report("best so far: " + GapLine(result.run.winTick, result.lowerBound));
        } else if (outcome == Outcome::TimeUp) {
            result.cutShort = true;
            if (result.outcome != Outcome::Won) {
                result.outcome = Outcome::TimeUp;
                result.width = width;
            }
            break;
        } else if (result.outcome != Outcome::Won) {
            result.width = width;
        }
    }
    result.seconds = elapsed();
    if (result.outcome == Outcome::NoRun) {
        result.message = "every state of the widest beam died or ran out of ticks";
    } else if (result.outcome == Outcome::TimeUp) {
        result.message = "time limit reached";
    }
    return result;
}

}  // namespace dravik::solve
