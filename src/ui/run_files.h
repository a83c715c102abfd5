#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "run/ghost.h"
#include "run/recorder.h"
#include "run/run_file.h"
#include "ui/command_line.h"

namespace dravik::ui {

class MainWindow;

// What --record and --replay add to a game in the window. The files are
// checked and read before the window system starts, so that a bad one ends
// the program before any window opens; the recording is made once the window
// exists and ended when the game ends.
class RunFiles {
public:
    // Checks that --record's FILE can be made and reads --replay's run and
    // --ghost's.
    // Returns the status to end with at once, after one line on `err`.
    std::optional<int> Prepare(const CommandLine& options, std::ostream& err);

    // Starts the recording and the replay in the window.
    std::optional<int> Start(MainWindow& window, std::ostream& err);

    // The game in `window` has ended with `status`: a clean end closes the
    // recording with its final state. Returns the status to end with: a
    // recording that could not be written turns a clean end into
    // kExitCannotWrite.
    int Finish(MainWindow& window, int status);

private:
    std::string record_;
    std::optional<run::Script> replay_;
    std::uint64_t replayEnd_ = 0;
    double speed_ = 1;
    std::unique_ptr<run::Recorder> recorder_;
    std::optional<run::Ghost> ghost_;
};

}  // namespace dravik::ui
