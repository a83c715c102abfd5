#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <ostream>

namespace dravik::ui {

// What dravik was asked to do on its command line. With no option it plays in
// its window.
struct CommandLine {
    // --screenshot FILE: no window; play the ticks of a script headless, then
    // write the client area as the window paints it to FILE ("-": standard
    // output).
    QString screenshot;
    // --ticks N: the ticks to play before the screenshot.
    std::int64_t ticks = 0;
    // --input FILE: the events to deliver between those ticks ("-": standard
    // input).
    QString input;
    // --record FILE: write the run played in the window to FILE, which must
    // not exist yet.
    QString record;
    // --replay FILE: play the run in FILE in the window first, then go on live.
    QString replay;
    // --ghost FILE: race the run in FILE, drawn beside the player.
    QString ghost;
    // --speed X: the replay's pace, X times the game's own (0.25 to 64).
    double speed = 1;
};

// The replay's speeds, as a multiple of the game's 64 ticks a second.
inline constexpr double kMinReplaySpeed = 0.25;
inline constexpr double kMaxReplaySpeed = 64;

// dravik's exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // no display, a fatal error of the game
inline constexpr int kExitUsage = 2;        // a bad command line or environment, a bad script
inline constexpr int kExitCannotWrite = 4;  // the screenshot or the recording could not be written (as the tools' 4)

// Reads dravik's own options from its arguments (the program's name first).
// The toolkit's own options (-platform NAME, -geometry WxH+X+Y, -reverse ...)
// are passed over and left to the application object. Returns the status to
// end with at once, after --help, --version or a bad command line (the usage
// or version on `out`, one line and a hint on `err`); nothing when the game
// goes on with `options` filled in.
std::optional<int> ParseCommandLine(const QStringList& arguments, CommandLine& options, std::ostream& out,
                                    std::ostream& err);

// The arguments without the toolkit's own options and their values; the
// files given to -stylesheet go to `styleSheets`, if given.
QStringList WithoutToolkitOptions(const QStringList& arguments, QStringList* styleSheets = nullptr);

}  // namespace dravik::ui
