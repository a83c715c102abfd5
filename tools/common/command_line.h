#pragma once

// What dravik-sim and dravik-solve share on their command lines: numbers
// read strictly, file names that cannot be empty, and the parse itself.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "sys/plain_number.h"
#include "sys/standard_streams.h"

namespace dravik::tools {

// A plain decimal whole number from min to max (see ReadWhole).
inline CLI::Validator WholeNumber(std::uint64_t min, std::uint64_t max)
{
    const std::string range = "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [min, max, range](const std::string& text) {
            const std::optional<std::uint64_t> value = sys::ReadWhole(text);
            return value && *value >= min && *value <= max ? std::string() : "expected " + range;
        },
        max == std::numeric_limits<std::uint64_t>::max()
            ? ""
            : "in [" + std::to_string(min) + " - " + std::to_string(max) + "]");
}

// A plain decimal number of seconds from 0 to max (see ReadFixed).
inline CLI::Validator Seconds(std::uint64_t max)
{
    const std::string range = "a number of seconds from 0 to " + std::to_string(max) + ", such as 30 or 2.5";
    return CLI::Validator(
        [max, range](const std::string& text) {
            const std::optional<double> value = sys::ReadFixed(text);
            return value && *value <= static_cast<double>(max) ? std::string() : "expected " + range;
        },
        "in [0 - " + std::to_string(max) + "]");
}

// A file name, which cannot be empty.
inline CLI::Validator FileName()
{
    return CLI::Validator(
        [](const std::string& text) {
            return text.empty() ? std::string("expected a file name, not an empty one") : "";
        },
        "");
}

// Parses the command line. Gives the exit status when the program is to stop
// at once: 0 after --help, 4 when the help could not be written, 2 after a
// bad option or argument (with the reason on standard error).
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv)
{
    app.allow_extras();
    try {
        app.parse(argc, argv);
        if (!app.remaining().empty()) {
            // CLI11 itself names stray arguments last to first; this lists
            // them in the order given (its message reverses the list).
            std::vector<std::string> stray = app.remaining();
            std::reverse(stray.begin(), stray.end());
            throw CLI::ExtrasError(app.get_name(), stray);
        }
    } catch (const CLI::ParseError& e) {
        if (app.exit(e) != 0) {
            return 2;
        }
        if (const int failure = sys::FlushStandardOutput(); failure != 0) {
            std::cerr << app.get_name() << ": cannot write the help: " << std::strerror(failure) << "\n";
            return 4;
        }
        return 0;
    }
    return std::nullopt;
}

}  // namespace dravik::tools
