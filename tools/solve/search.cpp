#include "solve/search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <set>
#include <stdexcept>
#include <string>

#include "game/form.h"
#include "run/session.h"
#include "solve/beam_state.h"
#include "solve/bound.h"
#include "solve/route.h"
#include "solve/stage_fields.h"
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
    std::uint32_t tie;    // the tie-break of every move there
    std::uint32_t place;  // where it is in the place graph
    std::uint32_t best;   // the best candidate aiming there
    std::uint32_t all;    // every candidate aiming there, linked by Candidate::next
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

// The index in the place graph's list of next places of an arrow combination.
constexpr std::size_t GraphMove(Move m)
{
    return static_cast<std::size_t>((m.dx + 1) * 3 + (m.dy + 1));
}

class Searcher {
public:
    Searcher(const SearchOptions& options, std::chrono::steady_clock::time_point began, const PlaceGraph& graph,
             const StageFields& stages, std::vector<int> order)
        : options_(options),
          began_(began),
          graph_(graph),
          stages_(stages),
          order_(std::move(order)),
          keyCount_(world0_.Key.UBound() + 1),
          targetOf_(graph.Places(), 0),
          targetStamp_(graph.Places(), 0),
          reached_(graph.Places(), 0)
    {
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

    // One beam search of the given width from the start point. Returns Won,
    // TimeUp or NoRun (the beam died out).
    Outcome Beam(std::size_t width, Run& run)
    {
        world_ = world0_;
        // The world only carries the balls: its square waits far off the
        // map, where nothing can touch it.
        world_.Square.Left = kParked;
        world_.Square.Top = kParked;
        work_ = world0_;
        workKeys_ = KeySet{};
        nodes_.assign(1, Node{0, 0});
        std::vector<State> beam;
        beam.assign(1, State{world0_.Square.Left, world0_.Square.Top, Move{}, 0, 0, 0, 0, KeySet{}});
        if (graph_.Find(world0_.Square.Left, world0_.Square.Top) != 0) {
            throw std::logic_error("the start point is not the graph's first place");
        }
        std::vector<State> next;
        for (std::uint64_t tick = 1; tick <= options_.maxTicks; ++tick) {
            if (options_.timeLimit > 0 && Elapsed() > options_.timeLimit) {
                return Outcome::TimeUp;
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

private:
    // Moves a stage on past every key of the order that the keys hold.
    std::uint16_t StageOf(std::uint16_t stage, const KeySet& keys) const
    {
        while (stage < order_.size() && keys.Has(order_[stage])) {
            ++stage;
        }
        return stage;
    }

    // Most of the history soon leads nowhere: every so many ticks, keep only
    // what the beam descends from.
    static constexpr std::uint64_t kCompactEvery = 256;
    static constexpr float kParked = -100000;
    static constexpr std::uint32_t kNoWinner = 0xFFFFFFFF;

    // Ranks the nine moves of every state of the beam into candidates_,
    // each filed under the place it leads to (targets_), best first. A
    // move's rank is the fewest ticks still to the win from where it leads,
    // with the keys that this tick's checks touch: the tick is not run yet,
    // but without balls it goes exactly so, and a ball can only end it.
    void Expand(const std::vector<State>& beam, std::uint64_t tick)
    {
        candidates_.clear();
        targets_.clear();
        ++stamp_;
        for (std::uint32_t p = 0; p < beam.size(); ++p) {
            const State& s = beam[p];
            KeySet keys = s.keys;
            for (std::uint8_t k : graph_.Touched(s.place)) {
                keys.Set(k);
            }
            const std::uint16_t stage = StageOf(s.stage, keys);
            const unsigned more = 255U - std::min(255U, static_cast<unsigned>(keys.Count()));
            const auto& leads = graph_.Next(s.place);
            for (std::uint8_t m = 0; m < static_cast<std::uint8_t>(kMoves.size()); ++m) {
                const std::uint32_t q = leads[GraphMove(kMoves[m])];
                if (q == PlaceGraph::kNowhere) {
                    continue;  // the checks see the square on the field
                }
                const std::uint16_t togo = stages_.ToGo(stage, q);
                if (togo == kNoWin || (options_.ceiling != 0 && tick + 1 + togo > options_.ceiling)) {
                    continue;
                }
                if (targetStamp_[q] != stamp_) {
                    targetStamp_[q] = stamp_;
                    targetOf_[q] = static_cast<std::uint32_t>(targets_.size());
                    const std::uint64_t tie = Mix(options_.seed ^ Mix(tick * 0x100000001ULL ^ q));
                    targets_.push_back(Target{static_cast<std::uint32_t>(tie), q, kNone, kNone});
                }
                const std::uint32_t t = targetOf_[q];
                candidates_.emplace_back(std::uint32_t{togo} * 256U + more, targets_[t].tie, p, m);
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
    // the best of each place is put in order (`ordered_`); the ones handed
    // on join them in a heap, and the two are taken together best first:
    // the order in which all the candidates, sorted, would be met.
    std::uint32_t Select(const std::vector<State>& beam, std::size_t width, std::vector<State>& next)
    {
        ++reachedStamp_;
        doomed_.assign(beam.size(), 0);
        next.clear();
        ordered_.clear();
        for (const Target& target : targets_) {
            ordered_.push_back(target.best);
        }
        auto better = [this](std::uint32_t a, std::uint32_t b) { return candidates_[a] < candidates_[b]; };
        std::sort(ordered_.begin(), ordered_.end(), better);
        auto worse = [this](std::uint32_t a, std::uint32_t b) { return candidates_[b] < candidates_[a]; };
        handedOn_.clear();
        std::size_t i = 0;
        while (next.size() < width) {
            std::uint32_t c = kNone;
            if (!handedOn_.empty() &&
                (i == ordered_.size() || candidates_[handedOn_.front()] < candidates_[ordered_[i]])) {
                std::pop_heap(handedOn_.begin(), handedOn_.end(), worse);
                c = handedOn_.back();
                handedOn_.pop_back();
            } else if (i < ordered_.size()) {
                c = ordered_[i++];
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
                    Keep(parent, move, m, step, targets_[candidates_[c].target].place, next);
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
    void Keep(const State& parent, Move move, std::uint8_t m, const Step& step, std::uint32_t place,
              std::vector<State>& next)
    {
        if (graph_.Find(step.left, step.top) != place) {
            throw std::logic_error("a tick that no ball ended went elsewhere than without balls");
        }
        if (reached_[place] == reachedStamp_) {
            return;
        }
        reached_[place] = reachedStamp_;
        nodes_.push_back(Node{parent.node, m});
        State child{step.left, step.top, move, static_cast<std::uint32_t>(nodes_.size() - 1), place, 0, 0, step.keys};
        child.stage = StageOf(parent.stage, child.keys);
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
    const PlaceGraph& graph_;
    const StageFields& stages_;
    std::vector<int> order_;
    int keyCount_;
    Form world_;       // the balls as they are this tick
    Form work_;        // where candidate moves are tried
    KeySet workKeys_;  // the keys hidden in work_
    std::vector<Node> nodes_;
    std::vector<Candidate> candidates_;
    std::vector<Target> targets_;
    std::vector<std::uint32_t> ordered_;
    std::vector<std::uint32_t> handedOn_;
    std::vector<std::uint32_t> targetOf_, targetStamp_, reached_;
    std::uint32_t stamp_ = 0, reachedStamp_ = 0;
    std::vector<std::uint8_t> doomed_;
    std::uint64_t ticksTried_ = 0;
};

// Where a run loses time to the balls: for each sweep of the order, the
// ticks by which the run's win moved away, against the best win without
// moving balls, while the run was fetching that sweep's keys (a tick that
// brings the win nearer, as when keys taken out of the order count at last,
// is not set against it). A run with no death goes exactly as it would
// without the moving balls, so it is followed on the place graph.
std::vector<std::uint32_t> LossBySweep(const PlaceGraph& graph, const StageFields& stages,
                                       const std::vector<int>& order, const std::vector<std::size_t>& sweeps,
                                       const Run& run)
{
    std::vector<std::uint32_t> loss(sweeps.size() - 1, 0);
    auto sweepOf = [&](std::size_t stage) {
        const auto at = std::upper_bound(sweeps.begin(), sweeps.end(), std::min(stage, order.size() - 1));
        return static_cast<std::size_t>(at - sweeps.begin()) - 1;
    };
    std::uint32_t place = 0;
    std::size_t stage = 0;
    KeySet keys;
    std::uint64_t before = stages.ToGo(0, 0) + 1U;
    for (std::uint64_t tick = 1; tick < run.winTick; ++tick) {
        for (std::uint8_t k : graph.Touched(place)) {
            keys.Set(k);
        }
        const std::size_t was = stage;
        while (stage < order.size() && keys.Has(order[stage])) {
            ++stage;
        }
        place = graph.Next(place)[GraphMove(run.moves[tick - 1])];
        if (place == PlaceGraph::kNowhere || stages.ToGo(stage, place) == kNoWin) {
            break;
        }
        const std::uint64_t after = tick + 1 + stages.ToGo(stage, place);
        if (after > before) {
            loss[sweepOf(was)] += static_cast<std::uint32_t>(after - before);
        }
        before = after;
    }
    return loss;
}

// Tells why a search that found no run ended.
SearchResult Finish(SearchResult& result, double seconds, std::uint64_t ceiling)
{
    result.seconds = seconds;
    if (result.outcome == Outcome::NoRun && ceiling != 0) {
        result.message = "every state died or could no longer win by tick " + std::to_string(ceiling);
    } else if (result.outcome == Outcome::NoRun) {
        result.message = "every state of the widest beam died or ran out of ticks";
    } else if (result.outcome == Outcome::TimeUp) {
        result.message = "time limit reached";
    }
    return result;
}

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
    const PlaceGraph graph;
    result.lowerBound = WinTickLowerBound(graph);
    {
        char line[120];
        std::snprintf(line, sizeof line, "no run can win before tick %llu, %.1f s",
                      static_cast<unsigned long long>(result.lowerBound), elapsed());
        report(line);
    }
    const ReverseGraph reverse(graph);
    const Form level;
    const StaticMap map(level);
    const RoutePlanner planner(level, map);
    std::vector<Route> tours = planner.Tours(std::max<std::size_t>(1, options.tours));

    // Searches one order of the keys, widening the beam while it dies out.
    // Returns whether to go on (the time limit ends the whole search) and
    // whether the order gave the shortest run so far; the best order's
    // fields are kept in `bestFields`, to be shared with orders like it.
    std::unique_ptr<StageFields> bestFields;
    std::vector<std::uint32_t> loss;  // of the best order's sweeps, see LossBySweep
    auto search = [&](const std::vector<int>& order, const std::vector<std::size_t>& sweeps, const std::string& name,
                      std::size_t tour, std::size_t rearranged) {
        auto stages = std::make_unique<StageFields>(reverse, order, bestFields.get());
        if (tour == 0 && rearranged == 0) {
            result.plannedTicks = stages->WinTick();
        }
        char line[160];
        std::snprintf(line, sizeof line, "%s: %u ticks without moving balls, %.1f s", name.c_str(),
                      unsigned{stages->WinTick()}, elapsed());
        report(line);
        Searcher searcher(options, began, graph, *stages, order);
        Run run;
        Outcome outcome = Outcome::NoRun;
        std::size_t width = std::max<std::size_t>(1, options.width);
        for (;; width *= 2) {
            outcome = searcher.Beam(width, run);
            if (outcome != Outcome::NoRun || options.ceiling != 0 ||
                width * 2 > std::max(options.width, options.maxWidth)) {
                break;
            }
        }
        result.ticksTried += searcher.TicksTried();
        bool better = false;
        if (outcome == Outcome::Won) {
            std::snprintf(line, sizeof line, "%s: win at tick %llu, %.1f s", name.c_str(),
                          static_cast<unsigned long long>(run.winTick), elapsed());
            report(line);
            better = result.outcome != Outcome::Won || run.winTick < result.run.winTick;
            if (better) {
                loss = LossBySweep(graph, *stages, order, sweeps, run);
                std::string lost = name + ": ticks lost to the balls, by sweep:";
                for (std::uint32_t l : loss) {
                    lost += " " + std::to_string(l);
                }
                report(lost);
                bestFields = std::move(stages);
                result.outcome = Outcome::Won;
                result.run = std::move(run);
                result.width = width;
                result.bestTour = tour;
                result.bestRearranged = rearranged;
            }
            report("best so far: " + GapLine(result.run.winTick, result.lowerBound));
        } else if (outcome == Outcome::TimeUp) {
            result.cutShort = true;
            if (result.outcome != Outcome::Won) {
                result.outcome = Outcome::TimeUp;
                result.width = width;
            }
        } else if (result.outcome != Outcome::Won) {
            result.width = width;
        }
        return std::pair{outcome != Outcome::TimeUp, better};
    };

    std::vector<int> order;
    std::vector<std::size_t> sweeps;
    for (std::size_t tour = 0; tour < tours.size(); ++tour) {
        result.tours = tour + 1;
        std::vector<std::size_t> ends = tours[tour].sweeps;
        ends.push_back(tours[tour].order.size());
        const auto [goOn, better] = search(tours[tour].order, ends, "tour " + std::to_string(tour), tour, 0);
        if (better) {
            order = tours[tour].order;
            sweeps = std::move(ends);
        }
        if (!goOn) {
            return Finish(result, elapsed(), options.ceiling);
        }
    }
    if (result.outcome != Outcome::Won) {
        return Finish(result, elapsed(), options.ceiling);
    }

    // Orders near the best one: a pair of neighbouring sweeps taken in the
    // other order, or with one or both turned round. The pairs where the
    // best run lost the most time to the balls come first. The first order
    // that gives a shorter run takes the best one's place, and the pairs are
    // ranked again from its run, until a whole round brings nothing shorter.
    std::set<std::vector<int>> seen{order};
    bool improved = true;
    while (improved && sweeps.size() > 2 && result.rearranged < options.rearrange) {
        improved = false;
        std::vector<std::size_t> pairs(sweeps.size() - 2);
        std::iota(pairs.begin(), pairs.end(), std::size_t{0});
        std::stable_sort(pairs.begin(), pairs.end(),
                         [&](std::size_t a, std::size_t b) { return loss[a] + loss[a + 1] > loss[b] + loss[b + 1]; });
        for (std::size_t n = 0; n < pairs.size() && !improved && result.rearranged < options.rearrange; ++n) {
            const std::size_t i = pairs[n];
            for (int way = 0; way < 7 && !improved && result.rearranged < options.rearrange; ++way) {
                const auto begin = order.begin() + static_cast<std::ptrdiff_t>(sweeps[i]);
                const auto middle = order.begin() + static_cast<std::ptrdiff_t>(sweeps[i + 1]);
                const auto end = order.begin() + static_cast<std::ptrdiff_t>(sweeps[i + 2]);
                std::vector<int> first(begin, middle), second(middle, end);
                if (way < 4) {
                    first.swap(second);  // the second sweep first
                }
                const int turn = way < 4 ? way : way - 3;  // bit 0: turn the first round, bit 1: the second
                if (turn & 1) {
                    std::reverse(first.begin(), first.end());
                }
                if (turn & 2) {
                    std::reverse(second.begin(), second.end());
                }
                std::vector<int> variant(order.begin(), begin);
                variant.insert(variant.end(), first.begin(), first.end());
                variant.insert(variant.end(), second.begin(), second.end());
                variant.insert(variant.end(), end, order.end());
                if (!seen.insert(variant).second) {
                    continue;  // a sweep of one key turned round, or an order already searched
                }
                std::vector<std::size_t> ends = sweeps;
                ends[i + 1] = sweeps[i] + first.size();
                ++result.rearranged;
                const auto [goOn, better] = search(variant, ends, "order " + std::to_string(result.rearranged),
                                                   result.bestTour, result.rearranged);
                if (!goOn) {
                    return Finish(result, elapsed(), options.ceiling);
                }
                if (better) {
                    order = std::move(variant);
                    sweeps = std::move(ends);
                    improved = true;
                }
            }
        }
    }
    return Finish(result, elapsed(), options.ceiling);
}

}  // namespace dravik::solve
