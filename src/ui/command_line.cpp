#include "ui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSet>
#include <array>
#include <string_view>

#include "sys/plain_number.h"

namespace dravik::ui {

namespace {

constexpr std::int64_t kMaxTicks = 1'000'000'000;
constexpr qint64 kMaxStyleSheetBytes = 1 << 20;

// The toolkit's own options, each with or without its value. Both one and two
// leading dashes name them.
const QSet<QString> kToolkitOptionsWithValue = {"platform",        "platformpluginpath",
                                                "platformtheme",   "plugin",
                                                "qwindowgeometry", "geometry",
                                                "qwindowtitle",    "title",
                                                "qwindowicon",     "icon",
                                                "display",         "name",
                                                "session",         "style",
                                                "stylesheet",      "visual"};
const QSet<QString> kToolkitFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount", "testability"};
constexpr std::array kToolkitPrefixes = {"style=", "stylesheet=", "qmljsdebugger="};

QString OptionName(const QString& argument)
{
    if (argument.startsWith(QLatin1String("--"))) {
        return argument.mid(2);
    }
    return argument.startsWith('-') ? argument.mid(1) : QString();
}

bool IsToolkitPrefixed(const QString& name)
{
    for (const char* prefix : kToolkitPrefixes) {
        if (name.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    return false;
}

// A whole number from 0 to `max`, read as every program of the game reads one.
std::optional<std::int64_t> WholeNumber(const QString& text, std::int64_t max)
{
    const std::optional<std::uint64_t> value = sys::ReadWhole(text.toStdString());
    if (!value || *value > static_cast<std::uint64_t>(max)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

// The player's options: what they are, and what they mean once read.
struct Options {
    QCommandLineOption help{{"h", "help"}, "Show this help and exit."};
    QCommandLineOption version{"version", "Show the version and exit."};
    QCommandLineOption screenshot{
        "screenshot",
        "Open no window: play the ticks headless, write the client area (1047 by 830) as the window paints it "
        "to FILE, a .png name or - for standard output, and exit.",
        "FILE"};
    QCommandLineOption ticks{"ticks", "With --screenshot: the game ticks to play first, 0 to 1000000000 (default 0).",
                             "N"};
    QCommandLineOption input{"input",
                             "With --screenshot: the events to deliver between the ticks, in dravik-sim's script "
                             "format, - for standard input.",
                             "FILE"};

    QCommandLineOption record{"record",
                              "Write the run played in the window to FILE as it goes, in dravik-sim's script "
                              "format, ending with its final state: 'dravik-sim --verify FILE' checks it. FILE "
                              "must not exist yet; - writes to standard output.",
                              "FILE"};
    QCommandLineOption replay{"replay",
                              "Play the run in FILE (a recording or any dravik-sim script) in the window; the arrow "
                              "keys and RESET take over when it ends.",
                              "FILE"};
    QCommandLineOption ghost{"ghost",
                             "Race the run in FILE: its player is drawn as a translucent square in step with your "
                             "run since the start, the last RESET or the last win, and the gap to it is printed "
                             "each time you take a key (+0.42 s: behind it).",
                             "FILE"};
    QCommandLineOption speed{"speed", "With --replay: the pace, X times the game's own, 0.25 to 64 (default 1).", "X"};

    void AddTo(QCommandLineParser& parser) const
    {
        parser.addOptions({help, version, screenshot, ticks, input, record, replay, ghost, speed});
    }

    // Fills in `out` from the parsed command line; an empty string when all
    // is well, else what is wrong.
    QString Read(const QCommandLineParser& parser, CommandLine& out) const
    {
        if (!parser.positionalArguments().isEmpty()) {
            return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        }
        if (parser.isSet(screenshot)) {
            out.screenshot = parser.value(screenshot);
            if (out.screenshot.isEmpty()) {
                return QStringLiteral("--screenshot needs a file name");
            }
            if (out.screenshot != "-" && !out.screenshot.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
                return QStringLiteral("--screenshot writes PNG only: '%1' does not end in .png").arg(out.screenshot);
            }
        } else if (parser.isSet(ticks) || parser.isSet(input)) {
            return QStringLiteral("--ticks and --input go with --screenshot");
        }
        if (parser.isSet(ticks)) {
            const auto value = WholeNumber(parser.value(ticks), kMaxTicks);
            if (!value) {
                return QStringLiteral("--ticks takes a whole number from 0 to 1000000000, not '%1'")
                    .arg(parser.value(ticks));
            }
            out.ticks = *value;
        }
        if (parser.isSet(input)) {
            out.input = parser.value(input);
            if (out.input.isEmpty()) {
                return QStringLiteral("--input needs a file name");
            }
        }
        return ReadRuns(parser, out);
    }

    QString ReadRuns(const QCommandLineParser& parser, CommandLine& out) const
    {
        if (parser.isSet(screenshot) && (parser.isSet(record) || parser.isSet(replay) || parser.isSet(ghost))) {
            return QStringLiteral("--record, --replay and --ghost go with the window, not with --screenshot");
        }
        out.ghost = parser.value(ghost);
        if (parser.isSet(ghost) && out.ghost.isEmpty()) {
            return QStringLiteral("--ghost needs a file name");
        }
        if (parser.isSet(record)) {
            out.record = parser.value(record);
            if (out.record.isEmpty()) {
                return QStringLiteral("--record needs a file name");
            }
        }
        if (parser.isSet(replay)) {
            out.replay = parser.value(replay);
            if (out.replay.isEmpty()) {
                return QStringLiteral("--replay needs a file name");
            }
        } else if (parser.isSet(speed)) {
            return QStringLiteral("--speed goes with --replay");
        }
        if (parser.isSet(speed)) {
            const auto value = sys::ReadFixed(parser.value(speed).toStdString());
            if (!value || *value < kMinReplaySpeed || *value > kMaxReplaySpeed) {
                return QStringLiteral("--speed takes a number from 0.25 to 64, not '%1'").arg(parser.value(speed));
            }
            out.speed = *value;
        }
        return {};
    }
};

constexpr std::string_view kDescription =
    "Dravik: steer the red square with the arrow keys, collect all 155 yellow keys while the blue balls "
    "patrol, then enter the goal. RESET in the menu bar starts again.\n"
    "The toolkit's own options (-platform NAME, -geometry WxH+X+Y, -reverse ...) work too.\n"
    "More in README.md in the game's source tree, or /usr/share/doc/dravik/README.md.gz once installed.";

}  // namespace

QStringList WithoutToolkitOptions(const QStringList& arguments, QStringList* styleSheets)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString name = i == 0 ? QString() : OptionName(arguments[i]);
        if (styleSheets != nullptr && name == QLatin1String("stylesheet") && i + 1 < arguments.size()) {
            *styleSheets << arguments[i + 1];
        } else if (styleSheets != nullptr && name.startsWith(QLatin1String("stylesheet="))) {
            *styleSheets << name.section('=', 1);
        }
        if (kToolkitOptionsWithValue.contains(name)) {
            ++i;
        } else if (!kToolkitFlags.contains(name) && !IsToolkitPrefixed(name)) {
            kept << arguments[i];
        }
    }
    return kept;
}

std::optional<int> ParseCommandLine(const QStringList& arguments, CommandLine& options, std::ostream& out,
                                    std::ostream& err)
{
    const Options known;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromUtf8(kDescription.data(), kDescription.size()));
    known.AddTo(parser);

    QString error;
    QStringList styleSheets;
    if (!parser.parse(WithoutToolkitOptions(arguments, &styleSheets))) {
        error = parser.errorText();
    } else if (parser.isSet(known.help)) {
        out << parser.helpText().replace("<executable_name>", "dravik").toStdString();
        return kExitOk;
    } else if (parser.isSet(known.version)) {
        out << "dravik " << DRAVIK_VERSION << "\n";
        return kExitOk;
    } else {
        error = known.Read(parser, options);
    }
    // The toolkit reads a style sheet whole, and an endless one for ever.
    for (const QString& sheet : styleSheets) {
        if (error.isEmpty() && (!QFileInfo(sheet).isFile() || QFileInfo(sheet).size() > kMaxStyleSheetBytes)) {
            error = QStringLiteral("-stylesheet takes a file of at most 1 MB, not '%1'").arg(sheet);
        }
    }
    if (error.isEmpty()) {
        return std::nullopt;
    }
    err << "dravik: " << error.toStdString() << "\nTry 'dravik --help' for more information.\n";
    return kExitUsage;
}

}  // namespace dravik::ui
