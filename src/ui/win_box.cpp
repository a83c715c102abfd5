#include "ui/win_box.h"

#include <QAbstractButton>
#include <QGuiApplication>

#include "game/form.h"

namespace dravik::ui {

WinBox::~WinBox()
{
    Dismiss();
}

void WinBox::Open(QWidget* owner, std::function<void()> closed)
{
    auto* box = new QMessageBox(owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setText(QString::fromUtf8(kWinPrompt.data(), static_cast<qsizetype>(kWinPrompt.size())));
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setIcon(QIcon());  // a plain OK, whatever the style
    QObject::connect(box, &QDialog::finished, box, [this, closed = std::move(closed)] {
        current_ = nullptr;
        closed();
    });
    current_ = box;
    box->show();
    box->raise();
    box->activateWindow();
}

void WinBox::Dismiss()
{
    if (QMessageBox* box = current_) {
        current_ = nullptr;
        box->disconnect();
        box->close();
    }
}

}  // namespace dravik::ui
