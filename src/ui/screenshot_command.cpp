#include "ui/screenshot_command.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <cstring>
#include <optional>

#include "level/fatal_error.h"
#include "run/run_file.h"
#include "run/session.h"
#include "sys/atomic_file.h"
#include "sys/fd_buffer.h"
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
    sys::FdBuffer buffer(STDOUT_FILENO);
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
    run::Script script;
    if (!options.input.isEmpty()) {
        std::optional<run::Script> read = run::ReadScriptFile(options.input.toStdString(), error);
        if (!read) {
            err << "dravik: " << error << "\n";
            return kExitUsage;
        }
        script = std::move(*read);
    }
    // A file that cannot be written shows before any tick runs.
    const std::string path = options.screenshot.toStdString();
    sys::AtomicFile file;
    if (path != "-" && !file.Open(path, error)) {
        err << "dravik: cannot write " << path << ": " << error << "\n";
        return kExitCannotWrite;
    }
    run::Session session(run::Session::Log::None);
    session.Play(std::move(script.events));
    try {
        while (session.Ticks() < static_cast<std::uint64_t>(options.ticks)) {
            session.Tick();
        }
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
    const QByteArray png = EncodePng(RenderScene(session.Game(), 1.0, outline));
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
