#include "ui/main_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>
#include <cmath>

#include "game/fatal_error.h"
#include "game/timers.h"
#include "sim/trace.h"
#include "ui/fatal_box.h"
#include "ui/key_map.h"
#include "ui/run_recorder.h"

namespace dravik::ui {

MainWindow::MainWindow(double levelScale)
    : winBox_(
          this, [this] { WinBoxOpening(); }, [this] { WinBoxClosed(); }),
      keys_(form_, [this](bool down,
                          std::int16_t code) { Note(down ? sim::EventKind::KeyDown : sim::EventKind::KeyUp, code); }),
      scriptKeys_(
          form_,
          [this](bool down, std::int16_t code) { Note(down ? sim::EventKind::KeyDown : sim::EventKind::KeyUp, code); }),
      ticks_(kTickPeriod, kMaxCatchUpTicks, [this] { Tick(); }),
      clock_(kClockPeriod, 1, [this] { Second(); })
{
    form_.SetMessageBox(&winBox_);
    setWindowTitle(QStringLiteral("Dravik 1"));
    view_ = new PlayfieldView(form_, this, levelScale);
    setCentralWidget(view_);
    reset_ = menuBar()->addAction(QStringLiteral("RESET"));
    connect(reset_, &QAction::triggered, this, [this] { Reset(); });
    resize(view_->sizeHint() + QSize(0, menuBar()->sizeHint().height()));

    // Both timers run from the moment the window exists.
    ticks_.Start();
    clock_.Start();
}

MainWindow::~MainWindow()
{
    form_.SetMessageBox(nullptr);
}

// The menu bar's height is known for sure only once it is laid out; the
// window then takes the size that leaves the client area exactly the view's
// size: 1047 by 830, or that scaled down.
void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!sized_) {
        sized_ = true;
        const QSize client = view_->sizeHint();
        if (view_->size() != client) {
            resize(size() + client - view_->size());
        }
    }
}

template <class Handler>
void MainWindow::Run(Handler&& handler)
{
    if (ended_) {
        return;
    }
    try {
        handler();
    } catch (const FatalError& error) {
        Fail(error.what());
    }
}

void MainWindow::Fail(const std::string& message)
{
    ended_ = true;
    ticks_.Hold();
    clock_.Hold();
    ShowFatalError(this, message);
    emit gameEnded(1);
}

void MainWindow::Tick()
{
    if (replaying_) {
        PlayScriptEvents();
    }
    bool ran = false;
    inTick_ = true;
    Run([&] {
        form_.tmrBall_Timer();
        ran = true;
    });
    inTick_ = false;
    if (!ran) {
        return;
    }
    // Closing the window while this tick's box was open ends the game, but
    // the tick itself has run to its end.
    ++ticksRun_;
    if (recorder_ != nullptr) {
        recorder_->Ticked(sim::StateLine(form_, static_cast<std::uint64_t>(ticksRun_), wins_),
                          static_cast<std::uint64_t>(ticksRun_));
    }
    if (ended_) {
        return;
    }
    view_->RefreshChanged();
    // The arrows the box took away are let go now, between this tick and the
    // next, like any key-up: the rest of the tick ran with them as they were.
    if (releaseAfterTick_) {
        releaseAfterTick_ = false;
        Run([this] { keys_.ReleaseAll(); });
    }
    if (replaying_ && static_cast<std::uint64_t>(ticksRun_) >= scriptEnd_) {
        EndReplay();
    }
    emit ticked();
}

void MainWindow::Second()
{
    Run([this] {
        form_.tmrTime_Timer();
        Note(sim::EventKind::Clock);
    });
    view_->RefreshChanged();
}

void MainWindow::Reset()
{
    if (winBox_.Current() != nullptr || replaying_) {
        return;  // the box holds the game; a replay plays only its own events
    }
    Run([this] {
        form_.mnuReset_Click();
        Note(sim::EventKind::Reset);
    });
    view_->RefreshChanged();
}

// An event goes into the recording at the tick before which it came.
void MainWindow::Note(sim::EventKind kind, std::int16_t keyCode)
{
    if (recorder_ != nullptr) {
        recorder_->Note({static_cast<std::uint64_t>(ticksRun_) + 1, kind, static_cast<std::uint16_t>(keyCode)});
    }
}

void MainWindow::Record(RunRecorder* recorder)
{
    recorder_ = recorder;
    if (recorder_ != nullptr) {
        recorder_->Ticked(sim::StateLine(form_, static_cast<std::uint64_t>(ticksRun_), wins_),
                          static_cast<std::uint64_t>(ticksRun_));
    }
}

void MainWindow::Replay(std::vector<sim::Event> events, std::uint64_t endTick, double speed)
{
    script_ = std::move(events);
    scriptNext_ = 0;
    scriptEnd_ = endTick;
    if (scriptEnd_ <= static_cast<std::uint64_t>(ticksRun_)) {
        return;  // nothing to play
    }
    replaying_ = true;
    clock_.Hold();
    const auto period = std::chrono::nanoseconds(std::llround(static_cast<double>(kTickPeriod.count()) / speed));
    ticks_.SetRate(period, std::max(kMaxCatchUpTicks, static_cast<int>(std::ceil(kMaxCatchUpTicks * speed))));
}

// The script's events due before the coming tick, as the window's own would
// come: keys through a keyboard of their own, RESET and the clock as is.
void MainWindow::PlayScriptEvents()
{
    const auto tick = static_cast<std::uint64_t>(ticksRun_) + 1;
    while (scriptNext_ < script_.size() && script_[scriptNext_].tick <= tick) {
        const sim::Event& event = script_[scriptNext_++];
        const auto code = static_cast<std::int16_t>(event.keyCode);
        Run([&] {
            switch (event.kind) {
                case sim::EventKind::KeyDown: scriptKeys_.Press(code, 0); break;
                case sim::EventKind::KeyUp: scriptKeys_.Release(code, 0, false); break;
                case sim::EventKind::Reset:
                    form_.mnuReset_Click();
                    Note(sim::EventKind::Reset);
                    break;
                case sim::EventKind::Clock:
                    form_.tmrTime_Timer();
                    Note(sim::EventKind::Clock);
                    break;
            }
        });
    }
}

// Live play from where the replay stands: nothing walks on with no key
// down, the tick goes back to its own pace and the clock counts again.
void MainWindow::EndReplay()
{
    replaying_ = false;
    Run([this] { scriptKeys_.ReleaseAll(); });
    ticks_.SetRate(kTickPeriod, kMaxCatchUpTicks);
    clock_.Start();
    emit replayEnded();
}

// The box opens from inside a tick: the game and the clock stand still until
// it closes, and the level, already restarted by the win, shows behind it.
void MainWindow::WinBoxOpening()
{
    ++wins_;
    ticks_.Hold();
    clock_.Hold();
    view_->RefreshChanged();
}

// Play resumes at its pace from now, with no burst of the ticks the box held.
void MainWindow::WinBoxClosed()
{
    if (ended_) {
        return;
    }
    ticks_.Start();
    if (!replaying_) {
        clock_.Start();
    }
    activateWindow();
    raise();
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate) {
        // Mid-tick only the "YOU WIN" box takes the keyboard away; the tick
        // runs on with the arrows held until it ends.
        if (inTick_) {
            releaseAfterTick_ = true;
        } else {
            Run([this] { keys_.ReleaseAll(); });
        }
    } else if (event->type() == QEvent::WindowActivate && winBox_.Current() != nullptr) {
        winBox_.Current()->activateWindow();
    }
    return QMainWindow::event(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (winBox_.Current() != nullptr || replaying_) {
        return;
    }
    Run([&] { keys_.Press(VirtualKeyOf(event->key()), ShiftStateOf(event->modifiers())); });
}

void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (winBox_.Current() != nullptr || replaying_) {
        return;
    }
    Run([&] { keys_.Release(VirtualKeyOf(event->key()), ShiftStateOf(event->modifiers()), event->isAutoRepeat()); });
}

// Closing the window ends the game, also while the "YOU WIN" box is open.
void MainWindow::closeEvent(QCloseEvent* event)
{
    const bool first = !ended_;
    ended_ = true;
    ticks_.Hold();
    clock_.Hold();
    winBox_.Dismiss();
    event->accept();
    if (first) {
        emit gameEnded(0);
    }
}

}  // namespace dravik::ui
