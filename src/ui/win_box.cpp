#include "ui/win_box.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QGuiApplication>

namespace dravik::ui {

WinBox::WinBox(QWidget* owner, std::function<void()> opening, std::function<void()> closed)
    : owner_(owner), opening_(std::move(opening)), closed_(std::move(closed))
{
}

// The box is shown without the toolkit's own modality and waited for in a
// local event loop: a toolkit-modal box would also refuse the window's close
// button, and closing the window must end the game even now. The window turns
// away input by itself while the box is open.
void WinBox::Show(std::string_view prompt)
{
    opening_();
    QMessageBox box(owner_);
    box.setWindowModality(Qt::NonModal);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    box.setText(QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size())));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setIcon(QIcon());  // a plain OK, whatever the style

    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    current_ = &box;
    box.show();
    box.raise();
    box.activateWindow();
    if (box.isVisible()) {
        loop.exec();
    }
    current_ = nullptr;
    closed_();
}

void WinBox::Dismiss()
{
    if (current_ != nullptr) {
        current_->done(QMessageBox::Ok);
    }
}

}  // namespace dravik::ui
