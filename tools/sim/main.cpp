// dravik-sim: plays the game without a window and prints what happens.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "game/fatal_error.h"
#include "sim/runner.h"

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
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
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
