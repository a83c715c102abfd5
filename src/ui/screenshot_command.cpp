#include "ui/screenshot_command.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <cstring>
#include <optional>
#include <sstream>

#include "game/fatal_error.h"
#include "sim/atomic_file.h"
#include "sim/fd_buffer.h"
#include "sim/runner.h"
#include "sim/script_input.h"
#include "ui/screenshot.h"

namespace dravik::ui {

namespace {

// The environment that would change the picture or need a display.
constexpr const char* kDisplayVariables[] = {
    "QT_QPA_PLATFORM",           "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",         "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",     "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_QPA_PLATFORMTHEME"};

// Writes the picture to standard output; false after saying why not.
bool WriteToStandardOutput(const QByteArray& png, std::ostream& err)
{
    sim::FdBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    out.write(png.constData(), png.size());
    out.flush();
    if (buffer.Error() != 0) {
        err << "dravik: cannot write the picture to standard output: " << std::strerror(buffer.Error()) << "\n";
        return false;
    }
    return true;
}

}  // namespace

int RunScreenshot(const CommandLine& options, std::ostream& err)
{
    std::string error;
    sim::Script script;
    if (!options.input.isEmpty()) {
        std::optional<sim::Script> read = sim::ReadScriptInput(options.input.toStdString(), error);
        if (!read) {
            err << "dravik: " << error << "\n";
            return kExitUsage;
        }
        script = std::move(*read);
    }
    // A file that cannot be written shows before any tick runs.
    const std::string path = options.screenshot.toStdString();
    sim::AtomicFile file;
    if (path != "-" && !file.Open(path, error)) {
        err << "dravik: cannot write " << path << ": " << error << "\n";
        return kExitCannotWrite;
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
    std::optional<QTemporaryDir> runtime;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") && runtime.emplace().isValid()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    int argc = 1;
    char name[] = "dravik";
    char* argv[] = {name, nullptr};
    const QGuiApplication app(argc, argv);
    const QColor outline = QGuiApplication::palette().color(QPalette::WindowText);
    const QByteArray png = EncodePng(RenderScene(form, 1.0, outline));
    if (path == "-") {
        return WriteToStandardOutput(png, err) ? kExitOk : kExitCannotWrite;
    }
    if (!file.Commit(std::string_view(png.constData(), static_cast<std::size_t>(png.size())), error)) {
        err << "dravik: cannot write " << path << ": " << error << "\n";
        return kExitCannotWrite;
    }
    return kExitOk;
}

}  // namespace dravik::ui
