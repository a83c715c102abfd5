#pragma once

#include <QAction>
#include <QMainWindow>
#include <cstdint>
#include <optional>
#include <vector>

#include "run/event.h"
#include "run/ghost.h"
#include "run/session.h"
#include "ui/beat_timer.h"
#include "ui/playfield_view.h"
#include "ui/win_box.h"

namespace dravik::ui {

// The level's scale at which a client area fits in `room` pixels: 1 where
// the game's own 1047 by 830 fits, else the largest that fits, and never
// below the least scale factor the window is shown at.
double FitScale(QSize room);

// The window "Dravik 1": the playfield as its client area, the RESET command
// as its menu bar. It owns one run::Session and is its shell: it wakes when
// the session's next beat falls due and lets it advance by the time that
// passed, hands it the keys and RESET, paints what changed and opens the
// "YOU WIN" box after a winning tick. The rules are all the game's.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `levelScale`: below 1, the level shown smaller (see PlayfieldView).
    explicit MainWindow(double levelScale = 1.0);
    ~MainWindow() override;

    // The window's parts: the session it plays, its client area, the RESET
    // command, the box a win opens and the timer of the game's beats.
    run::Session& Session() { return session_; }
    // The game, for the tests that set a state up by hand.
    Form& GameForm() { return session_.Arrange(); }
    PlayfieldView* Playfield() const { return view_; }
    QAction* ResetAction() const { return reset_; }
    const WinBox& YouWinBox() const { return winBox_; }
    BeatTimer& Beats() { return beats_; }

    // Game ticks run to their end so far, and wins.
    std::int64_t TicksRun() const { return static_cast<std::int64_t>(session_.Ticks()); }
    std::uint64_t Wins() const { return session_.Wins(); }

    // Plays a run's events at their ticks, `speed` times the game's pace,
    // until `endTick` has run (see run::Session::Watch); meanwhile the
    // player's arrows and RESET are turned away and the window's clock
    // stands still. Then play goes on live.
    void Replay(std::vector<run::Event> events, std::uint64_t endTick, double speed);
    bool IsReplaying() const { return session_.Watching(); }

    // Races a ghost: its square drawn beside the player's in lockstep with
    // the run's stretch, and the gap to it printed on standard output each
    // time a key is taken ("+0.42 s": behind it).
    void Race(run::Ghost ghost);

    // Before the window is first shown: where its screen's free area (less
    // the frame and the menu bar) cannot hold the client area, the level is
    // scaled down to fit. Once the window system has framed the window, the
    // fit is checked again with the frame it really got. Resizing by hand
    // changes nothing of it.
    void FitScreen();

signals:
    // The game is over: 0 when the window was closed, non-zero when a fatal
    // run-time error ended it.
    void gameEnded(int status);
    // Game ticks have run (one or a few caught up).
    void ticked();
    // The replay has played its last tick: play is live from now.
    void replayEnded();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Beat(std::chrono::nanoseconds elapsed);
    void Reset();
    void OpenWinBox();
    void Fit();
    template <class Handler>
    void Run(Handler&& handler);
    void Fail(const std::string& message);
    void FollowGhost(const run::Played& played);

    run::Session session_;
    WinBox winBox_;
    PlayfieldView* view_ = nullptr;
    QAction* reset_ = nullptr;
    BeatTimer beats_;
    std::optional<run::Ghost> ghost_;
    bool sized_ = false;
    bool refit_ = false;  // the fit waits for the frame the window system gives
    bool ended_ = false;
};

}  // namespace dravik::ui
