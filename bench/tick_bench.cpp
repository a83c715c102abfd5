// How fast one game tick runs: every check scans its whole group and builds
// every rectangle from the current shapes, as in play.
#include <benchmark/benchmark.h>

#include "game/form.h"

namespace {

using dravik::Form;

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

}  // namespace
