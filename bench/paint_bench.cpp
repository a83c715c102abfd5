// What painting the client area costs: the whole frame, and the frame after a
// game tick, where only what moved is painted again.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "game/form.h"
#include "ui/scene_damage.h"
#include "ui/scene_painter.h"

namespace {

using dravik::Form;
using dravik::ui::SceneDamage;
using dravik::ui::ScenePainter;

QImage Frame(double ratio)
{
    QImage image(QSize(1047, 830) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

// The whole client area, as on the first paint or an expose.
void WholeFrame(benchmark::State& state)
{
    const double ratio = static_cast<double>(state.range(0)) / 100.0;
    Form form;
    ScenePainter painter;
    QImage image = Frame(ratio);
    const QRegion all(0, 0, 1047, 830);
    for (auto _ : state) {
        QPainter p(&image);
        painter.Paint(p, form, all);
    }
    state.counters["drawn"] = painter.LastDrawn();
}
BENCHMARK(WholeFrame)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// One game tick, the damage it leaves and the paint of that damage: the
// window's work at each of its 64 ticks a second, but for the flush to the
// screen. The player walks back and forth in the lower corridor.
void FrameAfterTick(benchmark::State& state)
{
    const double ratio = static_cast<double>(state.range(0)) / 100.0;
    Form form;
    ScenePainter painter;
    SceneDamage damage;
    damage.Reset(form);
    QImage image = Frame(ratio);
    long tick = 0;
    double area = 0, drawn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        switch (tick++ % 80) {
            case 0: form.Form_KeyDown(dravik::vbKeyRight, 0); break;
            case 40: form.Form_KeyDown(dravik::vbKeyLeft, 0); break;
            default: break;
        }
        form.tmrBall_Timer();
        state.ResumeTiming();
        const QRegion changed = damage.Collect(form);
        QPainter p(&image);
        p.setClipRegion(changed);
        painter.Paint(p, form, changed);
        for (const QRect& r : changed) {
            area += r.width() * r.height();
        }
        drawn += painter.LastDrawn();
    }
    state.counters["area_px"] = benchmark::Counter(area, benchmark::Counter::kAvgIterations);
    state.counters["drawn"] = benchmark::Counter(drawn, benchmark::Counter::kAvgIterations);
}
BENCHMARK(FrameAfterTick)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
