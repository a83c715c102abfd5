#include "solve/search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <numeric>
#include <set>
#include <stdexcept>
#include <string>

#include "game/form.h"
#include "solve/bound.h"
#include "solve/deadly_balls.h"
#include "solve/key_set.h"
#include "solve/layer_search.h"
#include "solve/route.h"
#include "solve/stage_fields.h"

namespace dravik::solve {

namespace {

// How far beyond its win without moving balls the first search of an order
// looks for a run; it looks twice as far each time it finds none.
constexpr std::uint64_t kFirstMargin = 64;

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

// The order in which a run first touched the keys, and where in it the
// lane changes from one key to the next: the sweeps the run made. The run,
// having no death, is followed on the place graph.
void TouchedOrder(const PlaceGraph& graph, const Run& run, const std::vector<int>& laneOf, std::vector<int>& order,
                  std::vector<std::size_t>& sweeps)
{
    order.clear();
    sweeps.clear();
    KeySet held;
    std::uint32_t place = 0;
    for (std::uint64_t tick = 1; tick < run.winTick && place != PlaceGraph::kNowhere; ++tick) {
        for (std::uint8_t k : graph.Touched(place)) {
            if (!held.Has(k)) {
                held.Set(k);
                if (order.empty() || laneOf[k] != laneOf[static_cast<std::size_t>(order.back())]) {
                    sweeps.push_back(order.size());
                }
                order.push_back(k);
            }
        }
        place = graph.Next(place)[GraphMove(run.moves[tick - 1])];
    }
    if (static_cast<int>(order.size()) != graph.Keys()) {
        throw std::logic_error("the best run does not touch every key");
    }
    sweeps.push_back(order.size());
}

// Tells why a search that found no run ended.
SearchResult Finish(SearchResult& result, double seconds, std::uint64_t ceiling)
{
    result.seconds = seconds;
    if (result.outcome == Outcome::NoRun && ceiling != 0) {
        result.message = "every run died or could no longer win by tick " + std::to_string(ceiling);
    } else if (result.outcome == Outcome::NoRun) {
        result.message = "every run died or ran out of ticks";
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
    DeadlyBalls balls;
    result.lowerBound = WinTickLowerBound(graph, balls);
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

    LayerSearch layers(graph, balls);
    LayerSearch::Limits limits;
    limits.keep = options.keep;
    limits.timeUp = [&] { return options.timeLimit > 0 && elapsed() > options.timeLimit; };
    if (options.progress) {
        limits.progress = [&](std::uint64_t tick, std::size_t states, int keys) {
            char line[120];
            std::snprintf(line, sizeof line, "tick %llu: %zu states, keys %d of %d, %.1f s",
                          static_cast<unsigned long long>(tick), states, keys, graph.Keys(), elapsed());
            report(line);
        };
    }
    // The sweep of the tours that fetches each key: every tour sweeps the
    // same lanes, only in other orders and directions.
    std::vector<int> laneOf(static_cast<std::size_t>(graph.Keys()), -1);
    for (std::size_t lane = 0; lane < tours.front().sweeps.size(); ++lane) {
        const std::size_t end =
            lane + 1 < tours.front().sweeps.size() ? tours.front().sweeps[lane + 1] : tours.front().order.size();
        for (std::size_t k = tours.front().sweeps[lane]; k < end; ++k) {
            laneOf[static_cast<std::size_t>(tours.front().order[k])] = static_cast<int>(lane);
        }
    }

    // The order worked on, its sweeps and its fields, and where in it the
    // best run lost time to the balls (see LossBySweep).
    std::vector<int> order;
    std::vector<std::size_t> sweeps;
    std::unique_ptr<StageFields> fields;
    std::vector<std::uint32_t> loss;
    // Works on the order in which the best run took the keys, which its
    // fields then measure as it went: with keys taken out of the planned
    // order, the plan is no longer what the run did.
    auto takeBestRun = [&](const std::string& name) {
        TouchedOrder(graph, result.run, laneOf, order, sweeps);
        fields = std::make_unique<StageFields>(reverse, order, fields.get());
        loss = LossBySweep(graph, *fields, order, sweeps, result.run);
        std::string line = name + ": the keys in the order the run took them, " + std::to_string(sweeps.size() - 1) +
                           " sweeps, " + std::to_string(fields->WinTick()) +
                           " ticks without moving balls; ticks lost to the balls, by sweep:";
        for (std::uint32_t l : loss) {
            line += " " + std::to_string(l);
        }
        report(line);
    };

    // Searches one order of the keys for a run shorter than the best so far;
    // before the first run, under a ceiling that rises until it lets one
    // through. Returns whether to go on (the time limit ends the whole
    // search) and whether the order gave the shortest run so far.
    auto search = [&](const std::vector<int>& keys, const std::string& name, std::size_t tour, std::size_t rearranged) {
        const StageFields stages(reverse, keys, fields.get());
        if (tour == 0 && rearranged == 0) {
            result.plannedTicks = stages.WinTick();
        }
        char line[160];
        std::snprintf(line, sizeof line, "%s: %u ticks without moving balls, %.1f s", name.c_str(),
                      unsigned{stages.WinTick()}, elapsed());
        report(line);
        Run run;
        Outcome outcome = Outcome::NoRun;
        if (stages.WinTick() != 0) {
            const bool known = result.outcome == Outcome::Won;
            const std::uint64_t most = options.ceiling != 0 ? options.ceiling : options.maxTicks;
            for (std::uint64_t margin = kFirstMargin;; margin *= 2) {
                limits.ceiling =
                    known ? std::min(most, result.run.winTick - 1) : std::min(most, stages.WinTick() + margin);
                outcome = layers.Search(stages, keys, limits, run);
                if (outcome != Outcome::NoRun || known || limits.ceiling >= most) {
                    break;
                }
            }
        }
        result.statesTried = layers.StatesTried();
        if (outcome == Outcome::Won) {
            std::snprintf(line, sizeof line, "%s: win at tick %llu, %.1f s", name.c_str(),
                          static_cast<unsigned long long>(run.winTick), elapsed());
            report(line);
            result.outcome = Outcome::Won;
            result.run = std::move(run);
            result.bestTour = tour;
            result.bestRearranged = rearranged;
            report("best so far: " + GapLine(result.run.winTick, result.lowerBound));
        } else if (outcome == Outcome::TimeUp) {
            result.cutShort = true;
            if (result.outcome != Outcome::Won) {
                result.outcome = Outcome::TimeUp;
            }
        }
        return std::pair{outcome != Outcome::TimeUp, outcome == Outcome::Won};
    };

    for (std::size_t tour = 0; tour < tours.size(); ++tour) {
        result.tours = tour + 1;
        const auto [goOn, shorter] = search(tours[tour].order, "tour " + std::to_string(tour), tour, 0);
        if (!goOn) {
            return Finish(result, elapsed(), options.ceiling);
        }
    }
    if (result.outcome != Outcome::Won) {
        return Finish(result, elapsed(), options.ceiling);
    }
    if (options.rearrange > 0) {
        takeBestRun("tour " + std::to_string(result.bestTour));
    }

    // Orders near the one worked on: a pair of neighbouring sweeps taken in
    // the other order, or with one or both turned round. The pairs where the
    // best run lost the most time to the balls come first. The first order
    // that gives a shorter run is the new best, the order its run took is
    // worked on from then on, and the pairs are ranked again, until a whole
    // round brings nothing shorter.
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
                ++result.rearranged;
                const std::string name = "order " + std::to_string(result.rearranged);
                const auto [goOn, shorter] = search(variant, name, result.bestTour, result.rearranged);
                if (!goOn) {
                    return Finish(result, elapsed(), options.ceiling);
                }
                if (shorter) {
                    takeBestRun(name);
                    seen.insert(order);
                    improved = true;
                }
            }
        }
    }
    return Finish(result, elapsed(), options.ceiling);
}

}  // namespace dravik::solve
