#include "ui/window_system.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/command_line.h"

namespace dravik::ui {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

struct StartState {
    QtMessageHandler previous = nullptr;
    QString platform;  // as asked for, or empty for the toolkit's default
    QString source;    // where it was asked for
    std::vector<HeldMessage> held;
};

StartState* state = nullptr;

QString Variable(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? QStringLiteral("'%1'").arg(qEnvironmentVariable(name))
                                           : QStringLiteral("unset");
}

// The one line that says why the window system did not start, from what the
// toolkit said on the way.
QString Explain(const QString& fatal)
{
    static const QRegularExpression notFound(R"re(Could not find the Qt platform plugin "([^"]*)")re");
    static const QRegularExpression notLoaded(R"re(Could not load the Qt platform plugin "([^"]*)")re");
    static const QRegularExpression available(R"re(Available platform plugins are: ([^\n]*?)\.?\s*$)re");
    QString missing;
    QString failed;
    for (const HeldMessage& message : state->held) {
        if (const auto match = notFound.match(message.text); match.hasMatch()) {
            missing = match.captured(1);
        } else if (const auto match = notLoaded.match(message.text); match.hasMatch()) {
            failed = match.captured(1);
        }
    }
    if (!missing.isEmpty()) {
        const QString from = state->source.isEmpty() ? QString() : QStringLiteral(" (from %1)").arg(state->source);
        const auto known = available.match(fatal);
        return QStringLiteral("no window system called '%1'%2; the known ones are %3")
            .arg(missing, from, known.hasMatch() ? known.captured(1) : QStringLiteral("none"));
    }
    if (failed.isEmpty()) {
        failed = state->platform;
    }
    if (failed == QLatin1String("wayland")) {
        return QStringLiteral("cannot open the Wayland display: is a desktop session running? (WAYLAND_DISPLAY is %1)")
            .arg(Variable("WAYLAND_DISPLAY"));
    }
    if (failed.isEmpty() || failed == QLatin1String("xcb")) {
        return QStringLiteral("cannot open the display: is a desktop session running? (DISPLAY is %1)")
            .arg(Variable("DISPLAY"));
    }
    return QStringLiteral("the window system '%1' cannot start: %2").arg(failed, fatal.section('\n', 0, 0));
}

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const QByteArray line = "dravik: " + Explain(text).toLocal8Bit() + "\n";
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
        std::fflush(stderr);
        std::_Exit(kExitFailed);
    }
    state->held.push_back({type, QByteArray(context.category), text});
}

}  // namespace

std::optional<int> TakeScaleFactor(std::ostream& err, double& levelScale)
{
    levelScale = 1.0;
    const QString text = qEnvironmentVariable("QT_SCALE_FACTOR");
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const double factor = text.toDouble(&ok);
    if (ok && std::isfinite(factor) && factor >= kMinScaleFactor && factor <= kMaxScaleFactor) {
        if (factor < 1.0) {
            levelScale = factor;
            qunsetenv("QT_SCALE_FACTOR");
        }
        return std::nullopt;
    }
    err << "dravik: QT_SCALE_FACTOR=" << text.toStdString() << " is not a scale the window can be shown at: give "
        << kMinScaleFactor << " to " << kMaxScaleFactor << " (1 is the game's own size)\n";
    return kExitUsage;
}

WindowSystemStart::WindowSystemStart(const QStringList& arguments)
{
    state = new StartState;
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        state->platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        state->source = QStringLiteral("QT_QPA_PLATFORM");
    }
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-platform") || arguments[i] == QLatin1String("--platform")) {
            state->platform = arguments[i + 1];
            state->source = QStringLiteral("-platform");
        }
    }
    state->previous = qInstallMessageHandler(Hold);
}

WindowSystemStart::~WindowSystemStart()
{
    qInstallMessageHandler(state->previous);
    for (const HeldMessage& message : state->held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    delete state;
    state = nullptr;
}

}  // namespace dravik::ui
