#include "ui/screenshot_command.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <fstream>
#include <iostream>
#include <sstream>

#include "game/fatal_error.h"
#include "sim/runner.h"
#include "ui/screenshot.h"

namespace dravik::ui {

namespace {

// The environment that would change the picture or need a display.
constexpr const char* kDisplayVariables[] = {
    "QT_QPA_PLATFORM",           "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",         "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",     "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_QPA_PLATFORMTHEME"};

// Reads the script named on the command line; false after saying why not.
bool ReadScript(const QString& name, sim::Script& script, std::ostream& err)
{
    const std::string path = name.toStdString();
    if (path == "-") {
        script = sim::ParseScript(std::cin);
    } else {
        std::ifstream file(path);
        if (file) {
            script = sim::ParseScript(file);
        }
        if (!file && !file.eof()) {
            err << "dravik: cannot read " << path << "\n";
            return false;
        }
    }
    if (script.error) {
        err << "dravik: line " << script.error->line << ": " << script.error->message << "\n";
        return false;
    }
    return true;
}

}  // namespace

int RunScreenshot(const CommandLine& options, std::ostream& err)
{
    sim::Script script;
    if (!options.input.isEmpty() && !ReadScript(options.input, script, err)) {
        return kExitUsage;
    }
    Form form;
    try {
        std::ostringstream trace;
        sim::Run(form, script.events, {static_cast<std::uint64_t>(options.ticks), 0}, trace);
    } catch (const FatalError& error) {
        err << "dravik: fatal error: " << error.what() << "\n";
        return kExitFailed;
    }

    for (const char* variable : kDisplayVariables) {
        qunsetenv(variable);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit wants a private runtime folder even offscreen; lend it one
    // for the time of the call rather than have it warn and leave its own.
    const QTemporaryDir runtime;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") && runtime.isValid()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    int argc = 1;
    char name[] = "dravik";
    char* argv[] = {name, nullptr};
    const QGuiApplication app(argc, argv);
    const QColor outline = QGuiApplication::palette().color(QPalette::WindowText);
    std::string error;
    if (!SaveScreenshot(RenderScene(form, 1.0, outline), options.screenshot, error)) {
        err << "dravik: " << error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace dravik::ui
