// dravik: the game in its window.
#include <QApplication>

#include "game/fatal_error.h"
#include "ui/fatal_box.h"
#include "ui/main_window.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravik"));
    try {
        dravik::ui::MainWindow window;
        QObject::connect(&window, &dravik::ui::MainWindow::gameEnded, &app,
                         [](int status) { QCoreApplication::exit(status); });
        window.show();
        return QApplication::exec();
    } catch (const dravik::FatalError& error) {
        dravik::ui::ShowFatalError(nullptr, error.what());
        return 1;
    }
}
