#include "ui/main_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <iostream>

#include "level/fatal_error.h"
#include "ui/fatal_box.h"
#include "ui/key_map.h"
#include "ui/scene_geometry.h"
#include "ui/window_system.h"

namespace dravik::ui {

double FitScale(QSize room)
{
    const double scale = std::min({1.0, static_cast<double>(room.width()) / kClientPixelWidth,
                                   static_cast<double>(room.height()) / kClientPixelHeight});
    return std::max(scale, kMinScaleFactor);
}

MainWindow::MainWindow(double levelScale) : beats_([this](std::chrono::nanoseconds elapsed) { Beat(elapsed); })
{
    setWindowTitle(QStringLiteral("Dravik 1"));
    view_ = new PlayfieldView(session_.Game(), this, levelScale);
    setCentralWidget(view_);
    reset_ = menuBar()->addAction(QStringLiteral("RESET"));
    connect(reset_, &QAction::triggered, this, [this] { Reset(); });
    resize(view_->sizeHint() + QSize(0, menuBar()->sizeHint().height()));

    // Both timers run from the moment the window exists.
    beats_.Start(session_.UntilNextBeat());
}

MainWindow::~MainWindow() = default;

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

void MainWindow::FitScreen()
{
    refit_ = true;
    Fit();
}

void MainWindow::Fit()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect room = screen->availableGeometry();
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    // The menu bar's own height once it is laid out, its hint before.
    const int menu = menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    const double scale = std::min(view_->Scale(), FitScale(room.size().shrunkBy(frame) - QSize(0, menu)));
    if (scale < view_->Scale()) {
        view_->SetScale(scale);
        resize(view_->sizeHint() + QSize(0, menu));  // before the first show, made exact there
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
    beats_.Hold();
    ShowFatalError(this, message);
    emit gameEnded(1);
}

// The beats the time brought: the ticks and the clock's seconds, painted
// once they have run; a winning tick ends them and opens the box.
void MainWindow::Beat(std::chrono::nanoseconds elapsed)
{
    run::Played played;
    Run([&] { played = session_.Advance(elapsed); });
    if (ended_) {
        return;
    }
    view_->RefreshChanged();
    FollowGhost(played);
    if (played.replayEnded) {
        emit replayEnded();
    }
    if (played.win) {
        OpenWinBox();
    } else {
        beats_.Arm(session_.UntilNextBeat());
    }
    if (played.ticks > 0) {
        emit ticked();
    }
}

void MainWindow::Reset()
{
    if (winBox_.Current() != nullptr) {
        return;  // the box holds the game
    }
    Run([this] { session_.Reset(); });  // turned away while a run is watched
    view_->RefreshChanged();
    FollowGhost({});
}

void MainWindow::Race(run::Ghost ghost)
{
    ghost_ = std::move(ghost);
    FollowGhost({});
}

void MainWindow::FollowGhost(const run::Played& played)
{
    if (!ghost_) {
        return;
    }
    for (const run::Gap& gap : ghost_->Follow(session_, played)) {
        std::cout << run::GapText(gap.ticks) << std::endl;
    }
    view_->ShowGhost(ghost_->Shown() ? std::optional<QPointF>({ghost_->Left(), ghost_->Top()}) : std::nullopt);
}

void MainWindow::Replay(std::vector<run::Event> events, std::uint64_t endTick, double speed)
{
    session_.Watch(std::move(events), endTick, speed);
    beats_.Start(session_.UntilNextBeat());
}

// The game stands still while the box is open, and goes on at its pace when
// it closes, the tick and the second under way resuming where they stood.
void MainWindow::OpenWinBox()
{
    beats_.Hold();
    winBox_.Open(this, [this] {
        if (ended_) {
            return;
        }
        beats_.Start(session_.UntilNextBeat());
        activateWindow();
        raise();
    });
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && refit_) {
        refit_ = false;  // framed now
        Fit();
    }
    if (event->type() == QEvent::WindowDeactivate) {
        // No key-up is heard behind the window's back: what is held is let go.
        Run([this] { session_.LetGo(); });
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
    Run([&] { session_.Press(VirtualKeyOf(event->key())); });
}

// The keyboard repeats a held key as release and press pairs: the repeated
// releases are dropped, or the player would stop for a moment at each.
void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (winBox_.Current() != nullptr || event->isAutoRepeat()) {
        return;
    }
    Run([&] { session_.Release(VirtualKeyOf(event->key())); });
}

// Closing the window ends the game, also while the "YOU WIN" box is open.
void MainWindow::closeEvent(QCloseEvent* event)
{
    const bool first = !ended_;
    ended_ = true;
    beats_.Hold();
    winBox_.Dismiss();
    event->accept();
    if (first) {
        emit gameEnded(0);
    }
}

}  // namespace dravik::ui
