// How fast one game tick runs: every check scans its whole group and builds
// every rectangle from the current shapes, as in play. Beside the tick cases
// stands the floor: the bare overlap work a tick cannot do without, with no
// rules around it. Every case reports its time per tick and its ratio to the
// floor of the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "game/form.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using dravik::ControlGroup;
using dravik::Form;
using dravik::Shape;

// The shapes a tick tests, in the order its checks test them: the walls, the
// goal, the deadly balls and the keys (281 in the level).
std::vector<Shape> TestedShapes(const Form& level)
{
    std::vector<Shape> shapes;
    auto group = [&](const ControlGroup& g) {
        for (std::int16_t i = 0; i <= g.UBound(); ++i) {
            shapes.push_back(g.Item(i));
        }
    };
    group(level.Wall);
    shapes.push_back(level.shpGoal);
    group(level.Balls);
    group(level.Balls1);
    group(level.Balls2);
    group(level.Balls3);
    shapes.push_back(level.Balls4);
    group(level.Balls5);
    shapes.push_back(level.Balls6);
    shapes.push_back(level.Balls7);
    shapes.push_back(level.Balls10);
    group(level.Balls13);
    group(level.Key);
    return shapes;
}

// An edge rounded to the nearest whole twip, ties to even: one conversion
// instruction in the default rounding mode where there is one.
std::int32_t Edge(double value)
{
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(value));
#else
    return static_cast<std::int32_t>(std::lrint(value));
#endif
}

struct Box {
    std::int32_t left, top, right, bottom;
};

Box BoxOf(const Shape& s)
{
    return Box{Edge(s.Left), Edge(s.Top), Edge(static_cast<double>(s.Left) + s.Width),
               Edge(static_cast<double>(s.Top) + s.Height)};
}

// The floor: the player's rectangle built once, then every tested shape's
// rectangle built from its current values and tested for overlap; one ball
// moves every tick so nothing can be hoisted. No rules, no counters, no checks.
void Floor(benchmark::State& state)
{
    const Form level;
    std::vector<Shape> shapes = TestedShapes(level);
    Shape player = level.Square;
    Shape& mover = shapes[16 + 1 + 24];  // Balls4, which patrols a corridor
    float step = -40;
    for (auto _ : state) {
        const Box p = BoxOf(player);
        int overlaps = 0;
        for (const Shape& s : shapes) {
            const Box o = BoxOf(s);
            overlaps += (p.left > o.left ? p.left : o.left) < (p.right < o.right ? p.right : o.right) &&
                        (p.top > o.top ? p.top : o.top) < (p.bottom < o.bottom ? p.bottom : o.bottom);
        }
        benchmark::DoNotOptimize(overlaps);
        mover.Left += step;
        if (mover.Left <= 2160 || mover.Left >= 9120) {
            step = -step;
        }
    }
    state.counters["shapes"] = static_cast<double>(shapes.size());
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

// Prints the usual table, then each case's CPU time per tick over the floor's
// (the least of its repetitions, with --benchmark_repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                // With repetitions, the least: the run least disturbed by other work.
                const std::string name = run.run_name.function_name;
                const double ns = run.GetAdjustedCPUTime();
                const auto [it, fresh] = perTick_.emplace(name, ns);
                if (!fresh && ns < it->second) {
                    it->second = ns;
                }
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto floor = perTick_.find("Floor");
        if (floor == perTick_.end() || floor->second <= 0) {
            return;
        }
        std::printf("\nCPU time per tick and its ratio to the floor (target: each tick case at most 2):\n");
        for (const auto& [name, ns] : perTick_) {
            std::printf("  %-18s %8.1f ns  %5.2f\n", name.c_str(), ns, ns / floor->second);
        }
    }

private:
    std::map<std::string, double> perTick_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
