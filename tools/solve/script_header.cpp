#include "solve/script_header.h"

#include <charconv>
#include <sstream>

namespace dravik::solve {

std::string ScriptHeader(const SearchOptions& options, const SearchResult& result, const std::string& deaths)
{
    std::ostringstream header;
    header << "# Dravik: a winning run found by dravik-solve --tours " << options.tours << " --keep " << options.keep
           << " --rearrange " << options.rearrange;
    if (options.ceiling != 0) {
        header << " --ceiling " << options.ceiling;
    }
    header << "\n# win at tick " << result.run.winTick << " with " << deaths
           << " deaths; replay with dravik-sim --ticks " << result.run.winTick << " --input <this file>\n";
    if (result.lowerBound > 0) {
        header << "# no run can win before tick " << result.lowerBound
               << " (see the solver's documentation): " << GapLine(result.run.winTick, result.lowerBound) << "\n";
    }
    if (result.cutShort) {
        char limit[32];
        const auto end = std::to_chars(limit, limit + sizeof limit, options.timeLimit, std::chars_format::fixed).ptr;
        header << "# the time limit of " << std::string_view(limit, static_cast<std::size_t>(end - limit))
               << " s cut the search short in ";
        if (result.rearranged == 0) {
            header << "tour " << result.tours << " of " << options.tours;
        } else {
            header << "order " << result.rearranged << " of " << options.rearrange << " after the tours";
        }
        header << ": without it these options may find a shorter run\n";
    }
    return header.str();
}

std::string ScriptFooter(const Replay& replay)
{
    return "# final " + replay.finalState + "\n";
}

}  // namespace dravik::solve
