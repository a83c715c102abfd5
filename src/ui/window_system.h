#pragma once

#include <QStringList>
#include <optional>
#include <ostream>

namespace dravik::ui {

// The scale factors the window is shown at (QT_SCALE_FACTOR): below the least
// the playfield is too small to see, above the most the window would take
// gigabytes.
inline constexpr double kMinScaleFactor = 0.25;
inline constexpr double kMaxScaleFactor = 8.0;

// Refuses a QT_SCALE_FACTOR that is not a number from kMinScaleFactor to
// kMaxScaleFactor: returns the status to end with after one line on `err`.
// An unset or empty variable is fine. A factor below 1 is taken from the
// toolkit, whose painter cannot scale down, and left in `levelScale` for the
// window to scale the level itself; otherwise `levelScale` is 1.
std::optional<int> TakeScaleFactor(std::ostream& err, double& levelScale);

// While it lives, a window system that cannot start (no display, an unknown
// platform) ends the program with one line on standard error and
// kExitFailed, instead of the toolkit's abort and its advice. The toolkit's
// warnings meanwhile are held back and let through once the start has
// succeeded. Made before the application object, ended after it.
class WindowSystemStart {
public:
    // `arguments`: the command line, for a -platform option.
    explicit WindowSystemStart(const QStringList& arguments);
    ~WindowSystemStart();
    WindowSystemStart(const WindowSystemStart&) = delete;
    WindowSystemStart& operator=(const WindowSystemStart&) = delete;
};

}  // namespace dravik::ui
