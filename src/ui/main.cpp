// dravik: the game in its window.
#include <QApplication>
#include <cstring>
#include <iostream>
#include <memory>

#include "level/fatal_error.h"
#include "sys/standard_streams.h"
#include "ui/command_line.h"
#include "ui/fatal_box.h"
#include "ui/main_window.h"
#include "ui/run_files.h"
#include "ui/screenshot_command.h"
#include "ui/stop_signals.h"
#include "ui/window_system.h"

int main(int argc, char** argv)
{
    using namespace dravik::ui;
    dravik::sys::TakeClosedStandardStreams();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    CommandLine options;
    if (const auto status = ParseCommandLine(arguments, options, std::cout, std::cerr)) {
        // The help or the version: written, or said why not.
        const int failure = *status == kExitOk ? dravik::sys::FlushStandardOutput() : 0;
        if (failure != 0) {
            std::cerr << "dravik: cannot write to standard output: " << std::strerror(failure) << "\n";
            return kExitCannotWrite;
        }
        return *status;
    }
    if (!options.screenshot.isEmpty()) {
        return RunScreenshot(options, std::cerr);
    }
    // A scale the player asks for is the one the window opens at; else the
    // window fits its screen.
    const bool scaleGiven = !qEnvironmentVariable("QT_SCALE_FACTOR").isEmpty();
    double levelScale = 1.0;
    if (const auto status = TakeScaleFactor(std::cerr, levelScale)) {
        return *status;
    }
    RunFiles runs;
    if (const auto status = runs.Prepare(options, std::cerr)) {
        return *status;
    }

    auto start = std::make_unique<WindowSystemStart>(arguments);
    QApplication app(argc, argv);
    start.reset();
    QApplication::setApplicationName(QStringLiteral("Dravik"));
    try {
        MainWindow window(levelScale);
        if (!scaleGiven) {
            window.FitScreen();
        }
        QObject::connect(&window, &MainWindow::gameEnded, &app, [](int status) { QCoreApplication::exit(status); });
        // Ctrl+C and a kill end the game as its close button does.
        const StopSignals stop;
        QObject::connect(&stop, &StopSignals::stopRequested, &window, &QWidget::close);
        if (const auto status = runs.Start(window, std::cerr)) {
            return *status;
        }
        window.show();
        return runs.Finish(window, QApplication::exec());
    } catch (const dravik::FatalError& error) {
        ShowFatalError(nullptr, error.what());
        return kExitFailed;
    }
}
