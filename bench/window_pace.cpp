// The game's pace and its processor time in a real window, measured on a
// display (run it under xvfb-run): game ticks a second and the share of one
// core the whole process uses while playing, against an empty window repainted
// whole at the same rate, and against the game repainting its whole client
// area at every tick.
// Usage: dravik-pace-bench [SECONDS [game|empty|whole]]   (10 s, all three by default)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "run/pace.h"
#include "ui/beat_timer.h"
#include "ui/main_window.h"

namespace {

using dravik::ui::BeatTimer;
using dravik::ui::MainWindow;

double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Sample {
    double seconds, cpu, ticks;
};

void RunFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the event loop run for a while and measures it; `ticks` counts events.
template <class Ticks>
Sample Measure(double seconds, Ticks ticks)
{
    RunFor(1.0);  // settle: the window is shown and painted
    const double cpu0 = ProcessorSeconds();
    const double ticks0 = ticks();
    QElapsedTimer wall;
    wall.start();
    RunFor(seconds);
    return {wall.nsecsElapsed() / 1e9, ProcessorSeconds() - cpu0, ticks() - ticks0};
}

void Report(const char* what, const Sample& s)
{
    std::printf("%-44s %8.3f ticks/s  %5.2f %% of a core  (%.0f ticks in %.2f s)\n", what, s.ticks / s.seconds,
                100.0 * s.cpu / s.seconds, s.ticks, s.seconds);
}

// Holds Right and Left in turn, half a second each, so the player keeps walking.
class Walker {
public:
    explicit Walker(QWindow* window) : window_(window)
    {
        timer_.setInterval(500);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
        timer_.start();
    }

private:
    void Step()
    {
        Send(QEvent::KeyRelease, right_ ? Qt::Key_Right : Qt::Key_Left);
        right_ = !right_;
        Send(QEvent::KeyPress, right_ ? Qt::Key_Right : Qt::Key_Left);
    }
    void Send(QEvent::Type type, Qt::Key key)
    {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window_, &event);
    }
    QWindow* window_;
    QTimer timer_;
    bool right_ = false;
};

Sample Game(double seconds, bool wholeRepaint)
{
    MainWindow window;
    window.show();
    Walker walker(window.windowHandle());
    if (wholeRepaint) {
        QObject::connect(&window, &MainWindow::ticked, [&] { window.Playfield()->update(); });
    }
    return Measure(seconds, [&] { return static_cast<double>(window.TicksRun()); });
}

Sample EmptyWindow(double seconds)
{
    QMainWindow window;
    window.resize(1047, 849);
    window.show();
    // The game's own pace and timer, with a whole repaint for each tick.
    double repaints = 0;
    dravik::run::Pace pace;
    BeatTimer beats([&](std::chrono::nanoseconds elapsed) {
        pace.Advance(elapsed);
        for (dravik::run::Pace::Beat beat; (beat = pace.Next()) != dravik::run::Pace::Beat::None;) {
            if (beat == dravik::run::Pace::Beat::Tick) {
                window.update();
                ++repaints;
            }
        }
        beats.Arm(pace.UntilNext());
    });
    beats.Start(pace.UntilNext());
    return Measure(seconds, [&] { return repaints; });
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravik"));
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::string only = argc > 2 ? argv[2] : "";
    std::printf("%.0f s each, on the '%s' platform\n", seconds, qPrintable(QGuiApplication::platformName()));
    if (only.empty() || only == "game") {
        Report("game, repainting what changed", Game(seconds, false));
    }
    if (only.empty() || only == "empty") {
        Report("empty QMainWindow, repainted whole", EmptyWindow(seconds));
    }
    if (only.empty() || only == "whole") {
        Report("game, repainting the whole client area", Game(seconds, true));
    }
    return 0;
}
