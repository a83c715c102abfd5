#pragma once

#include <QAction>
#include <QMainWindow>
#include <cstdint>

#include "game/form.h"
#include "ui/keyboard_relay.h"
#include "ui/playfield_view.h"
#include "ui/tick_pacer.h"
#include "ui/win_box.h"

namespace dravik::ui {

// The window "Dravik 1": the playfield as its client area, the RESET command
// as its menu bar, the game tick and the clock as its two timers. It owns the
// form and forwards every event to the form's handlers; the rules are all the
// form's.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    Form& form() { return form_; }
    PlayfieldView* playfield() const { return view_; }
    QAction* resetAction() const { return reset_; }
    WinBox& winBox() { return winBox_; }
    TickPacer& tickPacer() { return ticks_; }
    TickPacer& clockPacer() { return clock_; }

    // Game ticks run to their end so far.
    std::int64_t TicksRun() const { return ticksRun_; }

signals:
    // The game is over: 0 when the window was closed, non-zero when a fatal
    // run-time error ended it.
    void gameEnded(int status);
    // A game tick has run to its end.
    void ticked();

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

    Form form_;
    WinBox winBox_;
    KeyboardRelay keys_;
    PlayfieldView* view_ = nullptr;
    QAction* reset_ = nullptr;
    TickPacer ticks_;
    TickPacer clock_;
    std::int64_t ticksRun_ = 0;
    bool sized_ = false;
    bool ended_ = false;
};

}  // namespace dravik::ui
