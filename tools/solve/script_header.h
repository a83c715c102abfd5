#pragma once

#include <string>

#include "solve/replay.h"
#include "solve/search.h"

namespace dravik::solve {

// The comment lines at the top of a found run's script: the options that
// found it, its win tick and deaths, how to replay it, the tick before which
// no run can win (when one is known), and, when the time
// limit cut the search short, the limit (then the options alone may find
// another run).
std::string ScriptHeader(const SearchOptions& options, const SearchResult& result, const std::string& deaths);

// The line that ends a found run's script: the state after its win tick, so
// that dravik-sim --verify checks the run as it checks a recorded one.
std::string ScriptFooter(const Replay& replay);

}  // namespace dravik::solve
