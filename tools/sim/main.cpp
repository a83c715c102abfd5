// dravik-sim: plays the game without a window and prints what happens.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>

#include "game/fatal_error.h"
#include "sim/command_line.h"
#include "sim/fd_buffer.h"
#include "sim/runner.h"
#include "sim/script_input.h"
#include "sim/standard_streams.h"
#include "sim/verify.h"

namespace {

// Exit statuses besides 0 (done), 1 (a fatal error of the game) and 2 (a bad
// command line, or a script that cannot be read or is wrong).
constexpr int kExitNotVerified = 3;  // --verify: the run does not end in its final state
constexpr int kExitCannotWrite = 4;  // standard output failed (a full disk, a closed pipe)

// The exit status after writing to standard output through `output`.
int Written(dravik::sim::FdBuffer& output, std::ostream& out, const char* what)
{
    out.flush();
    if (output.Error() != 0) {
        std::cerr << "dravik-sim: cannot write " << what << ": " << std::strerror(output.Error()) << "\n";
        return kExitCannotWrite;
    }
    return 0;
}

int VerifyRun(const dravik::sim::Script& script, const std::string& name)
{
    std::string error;
    std::optional<dravik::sim::Verdict> verdict;
    try {
        verdict = dravik::sim::Verify(script, error);
    } catch (const dravik::FatalError& e) {
        std::cerr << "dravik-sim: fatal error: " << e.what() << "\n";
        return 1;
    }
    if (!verdict) {
        std::cerr << "dravik-sim: " << (name == "-" ? "standard input" : name) << ": " << error << "\n";
        return 2;
    }
    if (!verdict->differences.empty()) {
        for (const auto& d : verdict->differences) {
            std::cerr << "dravik-sim: " << d.field << ": expected " << d.expected << ", found " << d.found << "\n";
        }
        std::cerr << "dravik-sim: not verified: after " << verdict->ticks << " ticks " << verdict->differences.size()
                  << (verdict->differences.size() == 1 ? " field differs" : " fields differ")
                  << " from the final line\n";
        return kExitNotVerified;
    }
    dravik::sim::FdBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    out << "dravik-sim: verified: " << verdict->ticks << " ticks, " << verdict->wins << " wins, DEATHS "
        << verdict->deaths << ", TIME " << verdict->time << "\n";
    return Written(output, out, "the verdict");
}

}  // namespace

int main(int argc, char** argv)
{
    dravik::sim::TakeClosedStandardStreams();
    CLI::App app{
        "Plays Dravik without a window: runs game ticks, delivers the events of a script "
        "between them and prints the state as JSON lines."};
    app.name("dravik-sim");
    dravik::sim::RunOptions options;
    std::string input;
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    app.add_option("--ticks", options.ticks, "Number of game ticks to run (numbered from 1)")
        ->default_val(1000)
        ->check(dravik::sim::WholeNumber(0, kMost));
    app.add_option("--every", options.every, "Print a state line after every K-th tick (0: only after the last)")
        ->default_val(0)
        ->check(dravik::sim::WholeNumber(0, kMost));
    app.add_option("--input", input,
                   "Event script, '-' for standard input. One event a line: "
                   "<tick> down <vk> | up <vk> | reset | clock")
        ->check(dravik::sim::FileName());
    std::string verify;
    app.add_option("--verify", verify,
                   "Play a recorded run (a script ending in '# final <state line>', as 'dravik --record' writes it) "
                   "to its final tick and check that it ends in that state; '-' for standard input. "
                   "Exit 0 when it does, 3 when it does not")
        ->check(dravik::sim::FileName())
        ->excludes("--input")
        ->excludes("--ticks")
        ->excludes("--every");
    if (const std::optional<int> status = dravik::sim::ParseCommandLine(app, argc, argv)) {
        return *status;
    }

    if (!verify.empty()) {
        input = verify;
    }
    dravik::sim::Script script;
    if (!input.empty()) {
        std::string error;
        std::optional<dravik::sim::Script> read = dravik::sim::ReadScriptInput(input, error);
        if (!read) {
            std::cerr << "dravik-sim: " << error << "\n";
            return 2;
        }
        script = std::move(*read);
    }

    if (!verify.empty()) {
        return VerifyRun(script, verify);
    }

    dravik::sim::FdBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    dravik::Form form;
    try {
        dravik::sim::Run(form, script.events, options, out);
    } catch (const dravik::FatalError& e) {
        out.flush();
        std::cerr << "dravik-sim: fatal error: " << e.what() << "\n";
        return 1;
    }
    return Written(output, out, "the trace");
}
