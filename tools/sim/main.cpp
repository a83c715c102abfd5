// dravik-sim: plays the game without a window and prints what happens.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>

#include "common/command_line.h"
#include "level/fatal_error.h"
#include "run/check.h"
#include "run/recorder.h"
#include "run/run_file.h"
#include "run/run_text.h"
#include "run/session.h"
#include "run/state_line.h"
#include "sim/state_fields.h"
#include "sys/fd_buffer.h"
#include "sys/standard_streams.h"
#include "sys/utc_now.h"

namespace {

using namespace dravik;

// Exit statuses besides 0 (done), 1 (a fatal error of the game) and 2 (a bad
// command line, or a script that cannot be read or is wrong).
constexpr int kExitNotVerified = 3;  // --verify: the run does not end in its final state
constexpr int kExitCannotWrite = 4;  // standard output or the recording failed (a full disk, a closed pipe)

// The exit status after writing to standard output through `output`.
int Written(sys::FdBuffer& output, std::ostream& out, const char* what)
{
    out.flush();
    if (output.Error() != 0) {
        std::cerr << "dravik-sim: cannot write " << what << ": " << std::strerror(output.Error()) << "\n";
        return kExitCannotWrite;
    }
    return 0;
}

int VerifyRun(const run::Script& script, const std::string& name)
{
    std::string error;
    std::optional<run::Outcome> outcome = run::CheckRun(script, error);
    if (!outcome) {
        std::cerr << "dravik-sim: " << (name == "-" ? "standard input" : name) << ": " << error << "\n";
        return 2;
    }
    std::vector<tools::Difference> differences;
    if (!outcome->endMatches) {
        differences = tools::StateDifferences(script.final->state, outcome->endState);
    }
    if (outcome->astray) {
        std::cerr << "dravik-sim: the run goes astray by tick " << outcome->astray->tick
                  << ": the state there is not the one hashed on line " << outcome->astray->line << "\n";
    }
    for (const auto& d : differences) {
        std::cerr << "dravik-sim: " << d.field << ": expected " << d.expected << ", found " << d.found << "\n";
    }
    if (!differences.empty()) {
        std::cerr << "dravik-sim: not verified: after " << outcome->ticks << " ticks " << differences.size()
                  << (differences.size() == 1 ? " field differs" : " fields differ") << " from the final line\n";
        return kExitNotVerified;
    }
    if (outcome->astray) {
        std::cerr << "dravik-sim: not verified: the run ends in its final state, but not by the way it records\n";
        return kExitNotVerified;
    }
    sys::FdBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    out << "dravik-sim: verified: " << outcome->ticks << " ticks, " << outcome->wins << " wins, DEATHS "
        << outcome->deaths << ", TIME " << outcome->time << "\n";
    return Written(output, out, "the verdict");
}

// Plays the script as the window and the page watch a run, to its end or for
// `ticks`, and writes what the session recorded.
int RecordRun(const run::Script& script, std::optional<std::uint64_t> ticks, const std::string& path)
{
    std::string error;
    const std::optional<std::uint64_t> end = run::RunEnd(script, error);
    if (!end) {
        std::cerr << "dravik-sim: " << error << "\n";
        return 2;
    }
    std::unique_ptr<run::Recorder> recorder =
        run::Recorder::Create(path, run::RunHeader(DRAVIK_VERSION, sys::UtcNow()), error);
    if (!recorder) {
        std::cerr << "dravik-sim: " << error << "\n";
        return 2;
    }
    bool stopped = false;
    recorder->OnStop([&stopped](const std::string& reason) {
        std::cerr << "dravik-sim: " << reason << "\n";
        stopped = true;
    });
    run::Session session;
    session.SetSink(recorder.get());
    session.Watch(script.events, *end);
    const std::uint64_t last = ticks.value_or(*end);
    while (session.Ticks() < last && !recorder->Failed()) {
        session.Tick();
    }
    recorder->Finish(session);
    return recorder->Failed() ? kExitCannotWrite : 0;
}

// The trace: a state line after every `every`-th tick and after the last,
// and a win line on each win.
int Trace(const run::Script& script, std::uint64_t ticks, std::uint64_t every)
{
    sys::FdBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    run::Session session(run::Session::Log::None);
    session.Play(script.events);
    try {
        for (std::uint64_t t = 1; t <= ticks && out; ++t) {
            if (session.Tick().won) {
                out << run::WinLine(t) << '\n';
            }
            if ((every > 0 && t % every == 0) || t == ticks) {
                out << session.StateLine() << '\n';
            }
        }
        if (ticks == 0) {
            out << session.StateLine() << '\n';
        }
    } catch (const FatalError& e) {
        out.flush();
        std::cerr << "dravik-sim: fatal error: " << e.what() << "\n";
        return 1;
    }
    return Written(output, out, "the trace");
}

}  // namespace

int main(int argc, char** argv)
{
    sys::TakeClosedStandardStreams();
    CLI::App app{
        "Plays Dravik without a window: runs game ticks, delivers the events of a script "
        "between them and prints the state as JSON lines."};
    app.name("dravik-sim");
    std::uint64_t ticks = 1000;
    std::uint64_t every = 0;
    std::string input;
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    CLI::Option* ticksOption = app.add_option("--ticks", ticks, "Number of game ticks to run (numbered from 1)")
                                   ->default_val(1000)
                                   ->check(tools::WholeNumber(0, kMost));
    app.add_option("--every", every, "Print a state line after every K-th tick (0: only after the last)")
        ->default_val(0)
        ->check(tools::WholeNumber(0, kMost));
    app.add_option("--input", input,
                   "Event script, '-' for standard input. One event a line: "
                   "<tick> down <vk> | up <vk> | reset | clock")
        ->check(tools::FileName());
    std::string record;
    app.add_option("--record", record,
                   "Instead of the trace, play the script as 'dravik --replay' watches it, to its end (or for "
                   "--ticks), and write the run as 'dravik --record' records it to FILE, which must not exist yet; "
                   "'-' for standard output")
        ->check(tools::FileName())
        ->excludes("--every");
    std::string verify;
    app.add_option("--verify", verify,
                   "Play a recorded run (a script ending in '# final <state line>', as 'dravik --record' writes it) "
                   "to its final tick and check that it ends in that state, and reaches every state it hashes on "
                   "the way; '-' for standard input. Exit 0 when it does, 3 when it does not")
        ->check(tools::FileName())
        ->excludes("--input")
        ->excludes("--ticks")
        ->excludes("--every")
        ->excludes("--record");
    if (const std::optional<int> status = tools::ParseCommandLine(app, argc, argv)) {
        return *status;
    }

    if (!verify.empty()) {
        input = verify;
    }
    run::Script script;
    if (!input.empty()) {
        std::string error;
        std::optional<run::Script> read = run::ReadScriptFile(input, error);
        if (!read) {
            std::cerr << "dravik-sim: " << error << "\n";
            return 2;
        }
        script = std::move(*read);
    }
    try {
        if (!verify.empty()) {
            return VerifyRun(script, verify);
        }
        if (!record.empty()) {
            return RecordRun(script, ticksOption->count() > 0 ? std::optional(ticks) : std::nullopt, record);
        }
    } catch (const FatalError& e) {
        std::cerr << "dravik-sim: fatal error: " << e.what() << "\n";
        return 1;
    }
    return Trace(script, ticks, every);
}
