// dravik-solve: searches the game's own tick for a run that collects every key
// and enters the goal, and prints it as a dravik-sim event script.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "game/fatal_error.h"
#include "solve/replay.h"
#include "solve/search.h"

int main(int argc, char** argv)
{
    CLI::App app{
        "Searches Dravik for a winning run with no death and prints it as an event script for "
        "dravik-sim: arrow key-down and key-up events, one a line."};
    app.name("dravik-solve");
    app.failure_message(CLI::FailureMessage::help);
    std::string out;
    dravik::solve::SearchOptions options;
    bool progress = false;
    app.add_option("--out", out, "Write the script to FILE instead of standard output")->option_text("FILE");
    app.add_option("--seed", options.seed, "Seed that breaks ties between equally good moves")
        ->default_val(1)
        ->check(CLI::NonNegativeNumber);
    app.add_option("--time-limit", options.timeLimit, "Give up after this many seconds (0: no limit)")
        ->default_val(0)
        ->check(CLI::NonNegativeNumber)
        ->option_text("SECONDS");
    app.add_option("--width", options.width, "States kept per tick; doubled while the search dies out")
        ->default_val(options.width)
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20));
    app.add_option("--tours", options.tours, "Tours of the keys to search, keeping the shortest run")
        ->default_val(options.tours)
        ->check(CLI::Range(std::size_t{1}, std::size_t{1000}));
    app.add_flag("--progress", progress, "Print progress on standard error: tick, keys collected, elapsed time");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    options.maxWidth = std::max(options.maxWidth, options.width);
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
                  << std::setprecision(1) << result.seconds << " s (width " << result.width << ")\n";
        return 1;
    }

    // The run must win when played from the start, exactly as dravik-sim plays it.
    const dravik::solve::Replay replay = dravik::solve::PlayBack(result.run);
    if (!replay.WinsAt(result.run.winTick)) {
        std::cerr << "dravik-solve: internal error: the run found does not win on replay\n";
        return 1;
    }

    std::ostringstream header;
    header << "# Dravik: a winning run found by dravik-solve --seed " << options.seed << " --tours " << options.tours
           << " --width " << options.width << "\n# win at tick " << result.run.winTick << " with " << replay.deaths
           << " deaths; replay with dravik-sim --ticks " << result.run.winTick << " --input <this file>\n";
    const std::string script = header.str() + dravik::solve::ScriptText(result.run);
    if (out.empty()) {
        std::cout << script << std::flush;
        if (!std::cout) {
            return 1;
        }
    } else {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file << script;
        file.close();
        if (!file) {
            std::cerr << "dravik-solve: cannot write " << out << "\n";
            return 1;
        }
    }
    std::fprintf(stderr,
                 "dravik-solve: win at tick %llu, %s deaths, found in %.1f s (tour %zu of %zu%s, width %zu, %llu ticks "
                 "tried)\n",
                 static_cast<unsigned long long>(result.run.winTick), replay.deaths.c_str(), result.seconds,
                 result.bestTour + 1, result.tours, result.cutShort ? ", cut short by the time limit" : "",
                 result.width, static_cast<unsigned long long>(result.ticksTried));
    return 0;
}
