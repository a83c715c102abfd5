// dravik-solve: searches the game's own tick for a run that collects every key
// and enters the goal, and prints it as a dravik-sim event script.
//
// Exit status: 0 a run was found and written; 1 no run was found (the time
// limit, or a search that died out); 2 a bad option; 4 the script could not
// be written (the same status as dravik-sim's for its trace).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <string>

#include "common/command_line.h"
#include "level/fatal_error.h"
#include "run/run_text.h"
#include "solve/replay.h"
#include "solve/script_header.h"
#include "solve/search.h"
#include "sys/atomic_file.h"
#include "sys/fd_buffer.h"
#include "sys/standard_streams.h"

namespace {

constexpr int kExitCannotWrite = 4;
// The longest time limit: some 11 days.
constexpr std::uint64_t kMostSeconds = 1000000;

}  // namespace

int main(int argc, char** argv)
{
    dravik::sys::TakeClosedStandardStreams();
    CLI::App app{
        "Searches Dravik for a winning run with no death and prints it as an event script for "
        "dravik-sim: arrow key-down and key-up events, one a line."};
    app.name("dravik-solve");
    app.failure_message(CLI::FailureMessage::help);
    std::string out;
    dravik::solve::SearchOptions options;
    bool progress = false;
    app.add_option("--out", out, "Write the script to FILE instead of standard output ('-': standard output)")
        ->option_text("FILE")
        ->check(dravik::tools::FileName());
    app.add_option("--time-limit", options.timeLimit, "Give up after this many seconds (0: no limit)")
        ->default_val(0)
        ->check(dravik::tools::Seconds(kMostSeconds))
        ->option_text("SECONDS");
    app.add_option("--keep", options.keep,
                   "Sets of keys kept at one place in a tick: more finds runs that take keys out of the order")
        ->default_val(options.keep)
        ->check(dravik::tools::WholeNumber(1, 64));
    app.add_option("--tours", options.tours, "Tours of the keys to search, keeping the shortest run")
        ->default_val(options.tours)
        ->check(dravik::tools::WholeNumber(1, 1000));
    app.add_option("--rearrange", options.rearrange,
                   "Orders near the best tour's to search after the tours: two neighbouring sweeps swapped or turned "
                   "round")
        ->default_val(options.rearrange)
        ->check(dravik::tools::WholeNumber(0, 100000));
    app.add_option("--ceiling", options.ceiling, "Look only for runs that win by this tick (0: no such limit)")
        ->default_val(0)
        ->option_text("TICK")
        ->check(dravik::tools::WholeNumber(0, 1000000));
    app.add_flag("--progress", progress, "Print progress on standard error: tick, keys collected, elapsed time");
    if (const std::optional<int> status = dravik::tools::ParseCommandLine(app, argc, argv)) {
        return *status;
    }
    if (out == "-") {
        out.clear();  // as for the other tools' standard streams
    }
    // Made before the search, so that a file that cannot be written is
    // known before the time is spent.
    dravik::sys::AtomicFile file;
    std::string error;
    if (!out.empty() && !file.Open(out, error)) {
        std::cerr << "dravik-solve: cannot write " << out << ": " << error << "\n";
        return kExitCannotWrite;
    }
    if (progress) {
        options.progress = [](const std::string& line) { std::cerr << "dravik-solve: " << line << "\n"; };
    }

    dravik::solve::SearchResult result;
    try {
        result = dravik::solve::Search(options);
    } catch (const std::exception& e) {
        std::cerr << "dravik-solve: " << e.what() << "\n";
        return 1;
    }
    if (result.outcome != dravik::solve::Outcome::Won) {
        std::cerr << "dravik-solve: no winning run: " << result.message << " after " << std::fixed
                  << std::setprecision(1) << result.seconds << " s\n";
        return 1;
    }

    // The run must win when played from the start, exactly as dravik-sim
    // plays it, and without a death: the search keeps no state that died.
    const dravik::solve::Replay replay = dravik::solve::PlayBack(result.run);
    if (!replay.WinsAt(result.run.winTick)) {
        std::cerr << "dravik-solve: internal error: the run found does not win on replay\n";
        return 1;
    }
    if (replay.deaths != "0") {
        std::cerr << "dravik-solve: internal error: the run found dies " << replay.deaths << " times on replay\n";
        return 1;
    }

    const std::string script = dravik::solve::ScriptHeader(options, result, replay.deaths) +
                               dravik::run::ScriptText(dravik::solve::ScriptEvents(result.run)) +
                               dravik::solve::ScriptFooter(replay);
    if (out.empty()) {
        dravik::sys::FdBuffer output(STDOUT_FILENO);
        std::ostream(&output) << script << std::flush;
        if (output.Error() != 0) {
            std::cerr << "dravik-solve: cannot write the script: " << std::strerror(output.Error()) << "\n";
            return kExitCannotWrite;
        }
    } else if (!file.Commit(script, error)) {
        std::cerr << "dravik-solve: cannot write " << out << ": " << error << "\n";
        return kExitCannotWrite;
    }
    const std::string rearranged = result.bestRearranged == 0
                                       ? std::string()
                                       : ", rearranged as order " + std::to_string(result.bestRearranged) + " of " +
                                             std::to_string(result.rearranged);
    std::fprintf(stderr,
                 "dravik-solve: win at tick %llu, %s deaths, found in %.1f s (tour %zu of %zu%s%s, %llu states "
                 "tried)\n",
                 static_cast<unsigned long long>(result.run.winTick), replay.deaths.c_str(), result.seconds,
                 result.bestTour + 1, result.tours, rearranged.c_str(),
                 result.cutShort ? ", cut short by the time limit" : "",
                 static_cast<unsigned long long>(result.statesTried));
    return 0;
}
