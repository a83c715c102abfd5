// How fast one game tick runs: every check scans its whole group and builds
// every rectangle from the current shapes, as in play. Beside the tick cases
// stands the floor: the least work a tick's contact checks add up to, on
// rectangles kept as compactly as they can be, with no rules around them.
// Every case reports its time per tick and its ratio to the floor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/form.h"
#include "level/layout.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using dravik::ControlName;
using dravik::Form;

// A rectangle as the level states it: single-precision twips, nothing else.
struct Box {
    float left, top, width, height;
};

// The rectangles a tick tests, in the order its checks test them, taken from
// the level's table: the walls, the goal, the deadly balls and the keys (281).
std::vector<Box> TestedBoxes()
{
    using C = ControlName;
    static constexpr std::array kTested = {C::Wall,    C::shpGoal, C::Balls,  C::Balls1, C::Balls2,
                                           C::Balls3,  C::Balls4,  C::Balls5, C::Balls6, C::Balls7,
                                           C::Balls10, C::Balls13, C::Key};
    std::vector<Box> boxes;
    for (const ControlName name : kTested) {
        std::vector<dravik::ShapeRow> rows;
        std::copy_if(dravik::kShapeTable.begin(), dravik::kShapeTable.end(), std::back_inserter(rows),
                     [&](const dravik::ShapeRow& row) { return row.name == name; });
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
        for (const dravik::ShapeRow& row : rows) {
            boxes.push_back({static_cast<float>(row.left), static_cast<float>(row.top), static_cast<float>(row.width),
                             static_cast<float>(row.height)});
        }
    }
    return boxes;
}

#if defined(__SSE2__)
// Left, top, right and bottom, each sum formed in double precision and every
// edge rounded to nearest, ties to even, four side by side.
__m128i EdgesOf(const Box& b)
{
    const __m128 v = _mm_loadu_ps(&b.left);
    const __m128d leftTop = _mm_cvtps_pd(v);
    const __m128d rightBottom = _mm_add_pd(leftTop, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
    return _mm_unpacklo_epi64(_mm_cvtpd_epi32(leftTop), _mm_cvtpd_epi32(rightBottom));
}

// How many boxes overlap the player's: a box overlaps when its left and top
// lie before the player's right and bottom and its right and bottom after the
// player's left and top; one comparison tests the four, the far edges negated.
int Overlaps(const Box& player, const std::vector<Box>& boxes)
{
    const __m128i negateFar = _mm_set_epi32(-1, -1, 0, 0);
    const __m128i p = EdgesOf(player);
    const __m128i bounds = _mm_xor_si128(_mm_shuffle_epi32(p, _MM_SHUFFLE(1, 0, 3, 2)), negateFar);
    int overlaps = 0;
    for (const Box& b : boxes) {
        const __m128i edges = _mm_xor_si128(EdgesOf(b), negateFar);
        overlaps += _mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(edges, bounds))) == 15;
    }
    return overlaps;
}
#else
int Overlaps(const Box& player, const std::vector<Box>& boxes)
{
    auto edge = [](double value) { return static_cast<std::int32_t>(std::lrint(value)); };
    const std::int32_t left = edge(player.left), top = edge(player.top);
    const std::int32_t right = edge(static_cast<double>(player.left) + player.width);
    const std::int32_t bottom = edge(static_cast<double>(player.top) + player.height);
    int overlaps = 0;
    for (const Box& b : boxes) {
        overlaps += edge(b.left) < right && edge(b.top) < bottom &&
                    edge(static_cast<double>(b.left) + b.width) > left &&
                    edge(static_cast<double>(b.top) + b.height) > top;
    }
    return overlaps;
}
#endif

// The floor: the player's rectangle built once, then the rectangle of every
// tested box built from its current values and tested for overlap; one ball
// moves every tick so nothing can be hoisted. No rules, no counters, no fault
// checks, no objects around the rectangles.
void Floor(benchmark::State& state)
{
    std::vector<Box> boxes = TestedBoxes();
    const dravik::ShapeRow& square = dravik::kShapeTable[0];  // the player, first in the table
    const Box player{static_cast<float>(square.left), static_cast<float>(square.top), static_cast<float>(square.width),
                     static_cast<float>(square.height)};
    Box& mover = boxes[16 + 1 + 24];  // Balls4, which patrols a corridor
    float step = -40;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Overlaps(player, boxes));
        mover.left += step;
        if (mover.left <= 2160 || mover.left >= 9120) {
            step = -step;
        }
    }
    state.counters["shapes"] = static_cast<double>(boxes.size());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Floor);

void StandingStill(benchmark::State& state)
{
    Form form;
    for (auto _ : state) {
        form.tmrBall_Timer();
    }
    benchmark::DoNotOptimize(form.Balls4.Left);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StandingStill);

// Walks a square around the start zone, pushing against no wall and meeting no ball.
void Walking(benchmark::State& state)
{
    Form form;
    long tick = 0;
    for (auto _ : state) {
        switch (tick++ % 80) {
            case 0: form.Form_KeyDown(dravik::vbKeyRight, 0); break;
            case 20: form.Form_KeyUp(dravik::vbKeyRight, 0), form.Form_KeyDown(dravik::vbKeyUp, 0); break;
            case 40: form.Form_KeyUp(dravik::vbKeyUp, 0), form.Form_KeyDown(dravik::vbKeyLeft, 0); break;
            case 60: form.Form_KeyUp(dravik::vbKeyLeft, 0), form.Form_KeyDown(dravik::vbKeyDown, 0); break;
            case 79: form.Form_KeyUp(dravik::vbKeyDown, 0); break;
            default: break;
        }
        form.tmrBall_Timer();
    }
    benchmark::DoNotOptimize(form.Square.Left);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Walking);

// Every tick the player stands where two field balls overlap: two deaths, the
// counter written twice and every key shown twice.
void DyingRepeatedly(benchmark::State& state)
{
    Form form;
    for (auto _ : state) {
        form.Square.Left = 3300;
        form.Square.Top = 3600;
        form.tmrBall_Timer();
    }
    benchmark::DoNotOptimize(form.Deaths.Caption);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DyingRepeatedly);

// Prints the usual table (with repetitions, their aggregates only), then each
// case's CPU time per tick over the floor's, each the least of its
// repetitions: the run least disturbed by other work on the machine.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        std::vector<Run> shown;
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const std::string name = run.run_name.function_name;
                const double ns = run.GetAdjustedCPUTime();
                const auto [it, fresh] = perTick_.emplace(name, ns);
                if (!fresh && ns < it->second) {
                    it->second = ns;
                }
            }
            if (run.run_type == Run::RT_Aggregate || run.repetitions <= 1) {
                shown.push_back(run);
            }
        }
        if (!shown.empty()) {
            ConsoleReporter::ReportRuns(shown);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto floor = perTick_.find("Floor");
        if (floor == perTick_.end() || floor->second <= 0) {
            return;
        }
        std::printf("\nCPU time per tick, the least of the repetitions, and its ratio to the floor:\n");
        for (const auto& [name, ns] : perTick_) {
            const double target = name == "Floor" ? 1.0 : name == "DyingRepeatedly" ? 2.0 : 1.5;
            std::printf("  %-18s %8.1f ns  %5.2f  (at most %.1f)\n", name.c_str(), ns, ns / floor->second, target);
        }
    }

private:
    std::map<std::string, double> perTick_;
};

}  // namespace

// Unless told otherwise, every case runs 10 times, the cases interleaved in a
// random order, so that a burst of other work on the machine falls on one
// repetition of one case rather than on every repetition of it.
int main(int argc, char** argv)
{
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=10";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    std::string minTime = "--benchmark_min_time=0.1";
    args.insert(args.end(), {repetitions.data(), interleaving.data(), minTime.data()});
    args.insert(args.end(), argv + 1, argv + argc);  // given flags come later and win
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
