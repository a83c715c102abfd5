#pragma once

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace dravik::solve::harness {

using support::Finished;
using support::Quote;
using support::ReadFile;
using support::RunCommand;
using support::ScratchDir;

// The JSON lines of a dravik-sim trace.
inline std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// The ticks of the win lines of a trace.
inline std::vector<std::uint64_t> WinTicks(const std::vector<nlohmann::json>& lines)
{
    std::vector<std::uint64_t> ticks;
    for (const nlohmann::json& line : lines) {
        if (line.contains("event") && line["event"] == "win") {
            ticks.push_back(line["tick"].get<std::uint64_t>());
        }
    }
    return ticks;
}

}  // namespace dravik::solve::harness
