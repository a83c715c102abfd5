#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

#include "game/message_box.h"

namespace dravik::ui {

// The "YOU WIN" box: a message box with the prompt, one OK button and no
// icon, captioned with the application's title, that the goal opens from
// inside a tick and that returns only when the player closes it. The window
// keeps the game still while it is open (the two hooks) and takes no input
// meanwhile; the window itself can still be closed, which closes the box too.
class WinBox : public MessageBox {
public:
    // `opening` runs before the box appears, `closed` after it has gone.
    WinBox(QWidget* owner, std::function<void()> opening, std::function<void()> closed);

    void Show(std::string_view prompt) override;

    // The box while it is open, else nullptr.
    QMessageBox* Current() const { return current_; }

    // Closes an open box as if OK had been chosen.
    void Dismiss();

private:
    QWidget* owner_;
    std::function<void()> opening_, closed_;
    QPointer<QMessageBox> current_;
};

}  // namespace dravik::ui
