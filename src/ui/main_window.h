#pragma once

#include <QAction>
#include <QMainWindow>
#include <cstdint>
#include <vector>

#include "game/form.h"
#include "sim/script.h"
#include "ui/keyboard_relay.h"
#include "ui/playfield_view.h"
#include "ui/tick_pacer.h"
#include "ui/win_box.h"

namespace dravik::ui {

class RunRecorder;

// The window "Dravik 1": the playfield as its client area, the RESET command
// as its menu bar, the game tick and the clock as its two timers. It owns the
// form and forwards every event to the form's handlers; the rules are all the
// form's.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `levelScale`: below 1, the level shown smaller (see PlayfieldView).
    explicit MainWindow(double levelScale = 1.0);
    ~MainWindow() override;

    // The window's parts: the game it owns, its client area, the RESET
    // command, the box a win opens and the pacers of its two timers.
    Form& GameForm() { return form_; }
    PlayfieldView* Playfield() const { return view_; }
    QAction* ResetAction() const { return reset_; }
    WinBox& YouWinBox() { return winBox_; }
    TickPacer& TickTimer() { return ticks_; }
    TickPacer& ClockTimer() { return clock_; }

    // Game ticks run to their end so far.
    std::int64_t TicksRun() const { return ticksRun_; }
    // Wins so far.
    std::uint64_t Wins() const { return wins_; }

    // From now on every event the game's handlers get goes to `recorder`,
    // and so does the state after every tick.
    void Record(RunRecorder* recorder);

    // Plays a script's events at their ticks, `speed` times the game's pace,
    // until `endTick` has run; meanwhile the player's arrows and RESET are
    // turned away and the window's clock stands still (the script's clock
    // events count TIME). Then the arrows the script holds are let go and
    // play goes on live.
    void Replay(std::vector<sim::Event> events, std::uint64_t endTick, double speed);
    bool IsReplaying() const { return replaying_; }

signals:
    // The game is over: 0 when the window was closed, non-zero when a fatal
    // run-time error ended it.
    void gameEnded(int status);
    // A game tick has run to its end.
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
    void Tick();
    void Second();
    void Reset();
    void WinBoxOpening();
    void WinBoxClosed();
    template <class Handler>
    void Run(Handler&& handler);
    void Fail(const std::string& message);
    void Note(sim::EventKind kind, std::int16_t keyCode = 0);
    void PlayScriptEvents();
    void EndReplay();

    Form form_;
    WinBox winBox_;
    KeyboardRelay keys_;
    KeyboardRelay scriptKeys_;  // the arrows a replayed script holds
    PlayfieldView* view_ = nullptr;
    QAction* reset_ = nullptr;
    TickPacer ticks_;
    TickPacer clock_;
    std::int64_t ticksRun_ = 0;
    std::uint64_t wins_ = 0;
    RunRecorder* recorder_ = nullptr;
    std::vector<sim::Event> script_;
    std::size_t scriptNext_ = 0;
    std::uint64_t scriptEnd_ = 0;
    bool replaying_ = false;
    bool inTick_ = false;
    bool releaseAfterTick_ = false;  // the keyboard went while a tick's box was open
    bool sized_ = false;
    bool ended_ = false;
};

}  // namespace dravik::ui
