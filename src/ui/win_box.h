#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

namespace dravik::ui {

// The "YOU WIN" box: the prompt, one OK button and no icon, captioned with
// the application's title. It opens once the winning tick has ended and
// calls back when the player closes it; the window keeps the game still and
// takes no input meanwhile. It is not the toolkit's modal box, which would
// also refuse the window's close button: closing the window ends the game
// even now, and closes the box.
class WinBox {
public:
    WinBox() = default;
    WinBox(const WinBox&) = delete;
    WinBox& operator=(const WinBox&) = delete;
    ~WinBox();

    void Open(QWidget* owner, std::function<void()> closed);

    // The box while it is open, else nullptr.
    QMessageBox* Current() const { return current_; }

    // Closes an open box without calling back: the game is over.
    void Dismiss();

private:
    QPointer<QMessageBox> current_;
};

}  // namespace dravik::ui
