#include "solve/search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <list>
#include <stdexcept>
#include <unordered_set>

#include "game/form.h"
#include "sim/runner.h"
#include "sim/splitmix64.h"
#include "solve/route.h"

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

// The keys a state has collected, one bit per key index.
struct KeySet {
    std::array<std::uint64_t, 4> bits{};
    void Set(int k) { bits[static_cast<std::size_t>(k) / 64] |= std::uint64_t{1} << (k % 64); }
    bool Has(int k) const { return (bits[static_cast<std::size_t>(k) / 64] >> (k % 64)) & 1U; }
    int Count() const
    {
        int n = 0;
        for (std::uint64_t b : bits) {
            n += std::popcount(b);
        }
        return n;
    }
};

// A hash of one word, for the beam's tie-breaks.
std::uint64_t Mix(std::uint64_t x)
{
    return sim::SplitMix64(x);
}

// Positions seen in one tick. Every position the game produces here is a
// whole multiple of 15 twips inside the map, so a stamped grid serves; any
// other position goes to a plain set.
class PositionSet {
public:
    PositionSet(int width, int height)
        : width_(width), height_(height), stamp_(static_cast<std::size_t>(width * height), 0)
    {
    }

    void Clear()
    {
        ++now_;
        others_.clear();
    }

    bool Contains(float left, float top) const
    {
        std::uint64_t key = 0;
        const long slot = Slot(left, top, key);
        return slot >= 0 ? stamp_[static_cast<std::size_t>(slot)] == now_ : others_.count(key) != 0;
    }

    // Adds the position; false when it was already there.
    bool Insert(float left, float top)
    {
        std::uint64_t key = 0;
        const long slot = Slot(left, top, key);
        if (slot < 0) {
            return others_.insert(key).second;
        }
        std::uint32_t& stamp = stamp_[static_cast<std::size_t>(slot)];
        const bool fresh = stamp != now_;
        stamp = now_;
        return fresh;
    }

private:
    // The position's place on the grid; -1, with its key for the set, off it.
    long Slot(float left, float top, std::uint64_t& key) const
    {
        const long x = std::lround(left), y = std::lround(top);
        if (static_cast<float>(x) == left && static_cast<float>(y) == top && x % 15 == 0 && y % 15 == 0 && x >= 0 &&
            y >= 0 && x / 15 < width_ && y / 15 < height_) {
            return x / 15 + y / 15 * width_;
        }
        static_assert(sizeof(float) * 2 == sizeof key);
        const std::array<float, 2> both = {left, top};
        std::memcpy(&key, both.data(), sizeof key);
        return -1;
    }

    int width_, height_;
    std::vector<std::uint32_t> stamp_;
    std::uint32_t now_ = 1;
    std::unordered_set<std::uint64_t> others_;
};

// The distance fields of the route's aims, computed when first asked for and
// kept while they are in use.
class FieldCache {
public:
    FieldCache(const StaticMap& map, const Route& route) : map_(map), route_(route) {}

    // The field towards the key of `stage`, or towards the goal once every key is held.
    const Field& Towards(std::size_t stage)
    {
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->first == stage) {
                kept_.splice(kept_.begin(), kept_, it);
                return kept_.front().second;
            }
        }
        if (kept_.size() >= 12) {
            kept_.pop_back();
        }
        const std::vector<int> sources =
            stage < route_.aims.size() ? std::vector<int>{route_.aims[stage]} : route_.goalCells;
        kept_.emplace_front(stage, DistanceField(map_, sources));
        return kept_.front().second;
    }

private:
    const StaticMap& map_;
    const Route& route_;
    std::list<std::pair<std::size_t, Field>> kept_;
};

// One state of the beam: the square where a tick left it, the arrows held,
// and the keys collected so far.
struct State {
    float left, top;
    Move held;
    std::uint32_t node;   // its place in the history
    std::uint16_t stage;  // how many keys of the route's order are all collected
    std::uint16_t count;  // how many keys are collected in all
    KeySet keys;
};

// The history of every state kept: the state it came from and the move that led here.
struct Node {
    std::uint32_t parent;
    std::uint8_t move;
};

struct Candidate {
    std::uint32_t score;  // estimated ticks still to go
    std::uint32_t tie;
    std::uint32_t parent;  // index in the current beam
    std::uint8_t move;
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

class Searcher {
public:
    Searcher(const SearchOptions& options, std::chrono::steady_clock::time_point began, const StaticMap& map,
             Route route)
        : options_(options),
          began_(began),
          map_(map),
          route_(std::move(route)),
          fields_(map_, route_),
          keyCount_(world0_.Key.UBound() + 1)
    {
        if (keyCount_ > 256) {
            throw std::runtime_error("too many keys for the solver");
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
    // (the beam died out).
    Outcome Beam(std::size_t width, Run& run)
    {
        world_ = world0_;
        nodes_.assign(1, Node{0, 0});
        std::vector<State> beam(1);
        beam[0] = State{world_.Square.Left, world_.Square.Top, Move{}, 0, 0, 0, KeySet{}};
        PositionSet predicted(map_.Width() * 2 + 2, map_.Height() * 2 + 2);
        PositionSet reached(map_.Width() * 2 + 2, map_.Height() * 2 + 2);
        std::vector<Candidate> candidates;
        std::vector<State> next;
        std::vector<std::uint8_t> doomed;

        for (std::uint64_t tick = 1; tick <= options_.maxTicks; ++tick) {
            if (options_.timeLimit > 0 && Elapsed() > options_.timeLimit) {
                return Outcome::TimeUp;
            }
            if (options_.progress && tick % 250 == 0) {
                Report("width %zu: tick %llu, keys %d of %d, %.1f s", width, static_cast<unsigned long long>(tick),
                       BestCount(beam), keyCount_, Elapsed());
            }
            candidates.clear();
            for (std::uint32_t p = 0; p < beam.size(); ++p) {
                const State& s = beam[p];
                for (std::uint8_t m = 0; m < static_cast<std::uint8_t>(kMoves.size()); ++m) {
                    const float left = s.left + static_cast<float>(kMoves[m].dx * kPitch);
                    const float top = s.top + static_cast<float>(kMoves[m].dy * kPitch);
                    const std::uint64_t tie =
                        Mix(options_.seed ^
                            Mix(tick * 0x100000001ULL ^ (static_cast<std::uint64_t>(std::lround(left)) << 20) ^
                                static_cast<std::uint64_t>(std::lround(top))));
                    candidates.push_back(
                        Candidate{Score(s.stage, left, top) * 256U + (255U - std::min(255U, unsigned{s.count})),
                                  static_cast<std::uint32_t>(tie), p, m});
                }
            }
            std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
                if (a.score != b.score) {
                    return a.score < b.score;
                }
                if (a.tie != b.tie) {
                    return a.tie < b.tie;
                }
                if (a.parent != b.parent) {
                    return a.parent < b.parent;
                }
                return a.move < b.move;
            });

            predicted.Clear();
            reached.Clear();
            doomed.assign(beam.size(), 0);
            next.clear();
            for (const Candidate& c : candidates) {
                if (next.size() >= width) {
                    break;
                }
                const State& parent = beam[c.parent];
                const Move move = kMoves[c.move];
                const float left = parent.left + static_cast<float>(move.dx * kPitch);
                const float top = parent.top + static_cast<float>(move.dy * kPitch);
                if (doomed[c.parent] || predicted.Contains(left, top)) {
                    continue;
                }
                Step step = Try(parent, move, tick);
                if (step.died) {
                    // The parent is doomed, whatever it does; another may
                    // still reach this place alive.
                    doomed[c.parent] = 1;
                    continue;
                }
                predicted.Insert(left, top);
                if (step.won) {
                    // The win comes from where the square stood, whatever the
                    // arrows: end the run with every arrow released, so the
                    // square rests on the start point.
                    const Step still = Try(parent, Move{}, tick);
                    if (!still.won) {
                        throw std::logic_error("a win depended on the arrows held");
                    }
                    nodes_.push_back(Node{parent.node, MoveCode(Move{})});
                    run = Unwind(static_cast<std::uint32_t>(nodes_.size() - 1), tick);
                    return Outcome::Won;
                }
                if (!reached.Insert(step.left, step.top)) {
                    continue;
                }
                nodes_.push_back(Node{parent.node, c.move});
                State child{step.left,    step.top, move,     static_cast<std::uint32_t>(nodes_.size() - 1),
                            parent.stage, 0,        step.keys};
                while (child.stage < route_.order.size() && child.keys.Has(route_.order[child.stage])) {
                    ++child.stage;
                }
                child.count = static_cast<std::uint16_t>(child.keys.Count());
                next.push_back(child);
            }
            if (next.empty()) {
                return Outcome::NoRun;
            }
            beam.swap(next);
            AdvanceWorld();
            if (tick % kCompactEvery == 0) {
                Compact(beam);
            }
        }
        return Outcome::NoRun;
    }

private:
    // Most of the history soon leads nowhere: every so many ticks, keep only
    // what the beam descends from.
    static constexpr std::uint64_t kCompactEvery = 256;

    std::uint32_t Score(std::size_t stage, float left, float top)
    {
        const int cell = map_.CellAt(left, top);
        const Field& field = fields_.Towards(stage);
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

    // Runs the game's own tick on a copy of the world with the state's
    // square, keys and arrows, the arrows changed by the same events the
    // script will carry.
    Step Try(const State& s, Move move, std::uint64_t tick)
    {
        ++ticksTried_;
        work_ = world_;
        work_.Square.Left = s.left;
        work_.Square.Top = s.top;
        for (int k = 0; k < keyCount_; ++k) {
            if (s.keys.Has(k)) {
                work_.Key.Item(static_cast<std::int16_t>(k)).Visible = false;
            }
        }
        // The world holds no arrow: press what the state holds, then change
        // it to this tick's move.
        for (const sim::Event& e : EventsBetween(Move{}, s.held, tick)) {
            sim::Deliver(work_, e);
        }
        for (const sim::Event& e : EventsBetween(s.held, move, tick)) {
            sim::Deliver(work_, e);
        }
        WinFlag flag;
        work_.SetMessageBox(&flag);
        work_.tmrBall_Timer();
        work_.SetMessageBox(nullptr);

        Step step;
        step.won = flag.shown;
        step.died = work_.Deaths.Caption != world_.Deaths.Caption;
        step.left = work_.Square.Left;
        step.top = work_.Square.Top;
        step.keys = s.keys;
        for (int k = 0; k < keyCount_; ++k) {
            if (!work_.Key.Item(static_cast<std::int16_t>(k)).Visible) {
                step.keys.Set(k);
            }
        }
        return step;
    }

    // One tick of the world with no arrow held. Its own square stays on the
    // start point, where no ball reaches; the copies above rely on its keys
    // all being shown and its DEATHS still at the start value.
    void AdvanceWorld()
    {
        world_.tmrBall_Timer();
        for (int k = 0; k < keyCount_; ++k) {
            if (!world_.Key.Item(static_cast<std::int16_t>(k)).Visible) {
                throw std::logic_error("the idle square collected a key");
            }
        }
        if (world_.Deaths.Caption != world0_.Deaths.Caption) {
            throw std::logic_error("the idle square died");
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
    void Compact(std::vector<State>& beam)
    {
        std::vector<std::uint32_t> renumber(nodes_.size(), 0);
        std::vector<std::uint8_t> live(nodes_.size(), 0);
        live[0] = 1;
        for (const State& s : beam) {
            for (std::uint32_t n = s.node; !live[n]; n = nodes_[n].parent) {
                live[n] = 1;
            }
        }
        std::vector<Node> kept;
        for (std::size_t n = 0; n < nodes_.size(); ++n) {
            if (live[n]) {
                renumber[n] = static_cast<std::uint32_t>(kept.size());
                kept.push_back(Node{renumber[nodes_[n].parent], nodes_[n].move});
            }
        }
        for (State& s : beam) {
            s.node = renumber[s.node];
        }
        nodes_.swap(kept);
    }

    const SearchOptions& options_;
    std::chrono::steady_clock::time_point began_;
    const Form world0_;
    const StaticMap& map_;
    Route route_;
    FieldCache fields_;
    int keyCount_;
    Form world_, work_;
    std::vector<Node> nodes_;
    std::uint64_t ticksTried_ = 0;
};

}  // namespace

std::vector<sim::Event> EventsBetween(Move from, Move to, std::uint64_t tick)
{
    std::vector<sim::Event> events;
    auto axis = [&](std::int8_t was, std::int8_t now, std::int16_t less, std::int16_t more) {
        if (was == now) {
            return;
        }
        if (now == 0) {
            events.push_back(
                sim::Event{tick, sim::EventKind::KeyUp, static_cast<std::uint16_t>(was < 0 ? less : more)});
        } else {
            events.push_back(
                sim::Event{tick, sim::EventKind::KeyDown, static_cast<std::uint16_t>(now < 0 ? less : more)});
        }
    };
    axis(from.dx, to.dx, vbKeyLeft, vbKeyRight);
    axis(from.dy, to.dy, vbKeyUp, vbKeyDown);
    return events;
}

std::vector<sim::Event> ScriptEvents(const Run& run)
{
    std::vector<sim::Event> events;
    Move held;
    for (std::size_t t = 0; t < run.moves.size(); ++t) {
        for (const sim::Event& e : EventsBetween(held, run.moves[t], t + 1)) {
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
    const Form level;
    const StaticMap map(level);
    const RoutePlanner planner(level, map);

    SearchResult result;
    std::vector<Route> tours = planner.Tours(std::max<std::size_t>(1, options.tours));
    for (std::size_t tour = 0; tour < tours.size(); ++tour) {
        Route& route = tours[tour];
        if (tour == 0) {
            result.plannedTicks = route.length;
        }
        char line[160];
        std::snprintf(line, sizeof line, "tour %zu: %u ticks on the map without balls, %.1f s", tour,
                      unsigned{route.length}, elapsed());
        report(line);

        Searcher searcher(options, began, map, std::move(route));
        Run run;
        Outcome outcome = Outcome::NoRun;
        std::size_t width = std::max<std::size_t>(1, options.width);
        for (;; width *= 2) {
            outcome = searcher.Beam(width, run);
            if (outcome != Outcome::NoRun || width * 2 > std::max(options.width, options.maxWidth)) {
                break;
            }
        }
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
