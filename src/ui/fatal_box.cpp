#include "ui/fatal_box.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace dravik::ui {

void ShowFatalError(QWidget* parent, const std::string& message)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Run-time error: %1").arg(QString::fromStdString(message)), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace dravik::ui
