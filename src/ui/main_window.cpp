#include "ui/main_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>

#include "game/fatal_error.h"
#include "game/timers.h"
#include "ui/fatal_box.h"
#include "ui/key_map.h"
#include "ui/scene_geometry.h"

namespace dravik::ui {

MainWindow::MainWindow()
    : winBox_(
          this, [this] { WinBoxOpening(); }, [this] { WinBoxClosed(); }),
      keys_(form_),
      ticks_(kTickPeriod, kMaxCatchUpTicks, [this] { Tick(); }),
      clock_(kClockPeriod, 1, [this] { Second(); })
{
    form_.SetMessageBox(&winBox_);
    setWindowTitle(QStringLiteral("Dravik 1"));
    view_ = new PlayfieldView(form_, this);
    setCentralWidget(view_);
    reset_ = menuBar()->addAction(QStringLiteral("RESET"));
    connect(reset_, &QAction::triggered, this, [this] { Reset(); });
    resize(kClientPixelWidth, kClientPixelHeight + menuBar()->sizeHint().height());

    // Both timers run from the moment the window exists.
    ticks_.Start();
    clock_.Start();
}

MainWindow::~MainWindow()
{
    form_.SetMessageBox(nullptr);
}

// The menu bar's height is known for sure only once it is laid out; the
// window then takes the size that leaves the client area exactly 1047 by 830.
void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!sized_) {
        sized_ = true;
        const QSize client(kClientPixelWidth, kClientPixelHeight);
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
    Run([this] { form_.tmrBall_Timer(); });
    if (ended_) {
        return;
    }
    view_->RefreshChanged();
    ++ticksRun_;
    emit ticked();
}

void MainWindow::Second()
{
    Run([this] { form_.tmrTime_Timer(); });
    view_->RefreshChanged();
}

void MainWindow::Reset()
{
    if (winBox_.Current() != nullptr) {
        return;  // the box holds the game
    }
    Run([this] { form_.mnuReset_Click(); });
    view_->RefreshChanged();
}

// The box opens from inside a tick: the game and the clock stand still until
// it closes, and the level, already restarted by the win, shows behind it.
void MainWindow::WinBoxOpening()
{
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
    clock_.Start();
    activateWindow();
    raise();
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate) {
        Run([this] { keys_.ReleaseAll(); });
    } else if (event->type() == QEvent::WindowActivate && winBox_.Current() != nullptr) {
        winBox_.Current()->activateWindow();
    }
    return QMainWindow::event(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (winBox_.Current() != nullptr) {
        return;
    }
    Run([&] { keys_.Press(VirtualKeyOf(event->key()), ShiftStateOf(event->modifiers())); });
}

void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (winBox_.Current() != nullptr) {
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
