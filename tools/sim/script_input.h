#pragma once

#include <optional>
#include <string>

#include "sim/script.h"

namespace dravik::sim {

// Reads the event script a command line names: a file, or "-" for standard
// input, line by line within the script reader's bounds. When it cannot,
// gives nothing and says why in `error`, one line without the program's
// name: "cannot read NAME: <the system's reason>" or "line L: <what is wrong>".
std::optional<Script> ReadScriptInput(const std::string& input, std::string& error);

}  // namespace dravik::sim
