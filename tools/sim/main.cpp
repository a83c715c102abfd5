// dravik-sim: plays the game without a window and prints what happens.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>

#include "game/fatal_error.h"
#include "sim/runner.h"
#include "sim/verify.h"

namespace {

// Exit statuses besides 0 (done), 1 (a fatal error of the game) and 2 (a bad
// command line or input).
constexpr int kExitNotVerified = 3;  // --verify: the run does not end in its final state

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
    std::cout << "dravik-sim: verified: " << verdict->ticks << " ticks, " << verdict->wins << " wins, DEATHS "
              << verdict->deaths << ", TIME " << verdict->time << "\n";
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{
        "Plays Dravik without a window: runs game ticks, delivers the events of a script "
        "between them and prints the state as JSON lines."};
    app.name("dravik-sim");
    dravik::sim::RunOptions options;
    std::string input;
    app.add_option("--ticks", options.ticks, "Number of game ticks to run (numbered from 1)")
        ->default_val(1000)
        ->check(CLI::NonNegativeNumber);
    app.add_option("--every", options.every, "Print a state line after every K-th tick (0: only after the last)")
        ->default_val(0)
        ->check(CLI::NonNegativeNumber);
    app.add_option("--input", input,
                   "Event script, '-' for standard input. One event a line: "
                   "<tick> down <vk> | up <vk> | reset | clock");
    std::string verify;
    app.add_option("--verify", verify,
                   "Play a recorded run (a script ending in '# final <state line>', as 'dravik --record' writes it) "
                   "to its final tick and check that it ends in that state; '-' for standard input. "
                   "Exit 0 when it does, 3 when it does not")
        ->excludes("--input")
        ->excludes("--ticks")
        ->excludes("--every");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (!verify.empty()) {
        input = verify;
    }
    dravik::sim::Script script;
    if (!input.empty()) {
        if (input == "-") {
            script = dravik::sim::ParseScript(std::cin);
        } else {
            std::ifstream file(input);
            if (!file) {
                std::cerr << "dravik-sim: cannot read " << input << "\n";
                return 2;
            }
            script = dravik::sim::ParseScript(file);
            if (file.bad()) {
                std::cerr << "dravik-sim: cannot read " << input << "\n";
                return 2;
            }
        }
        if (script.error) {
            std::cerr << "dravik-sim: line " << script.error->line << ": " << script.error->message << "\n";
            return 2;
        }
    }

    if (!verify.empty()) {
        return VerifyRun(script, verify);
    }

    std::ios::sync_with_stdio(false);
    dravik::Form form;
    try {
        dravik::sim::Run(form, script.events, options, std::cout);
    } catch (const dravik::FatalError& e) {
        std::cout.flush();
        std::cerr << "dravik-sim: fatal error: " << e.what() << "\n";
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
