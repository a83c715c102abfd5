#pragma once

#include <string>
#include <vector>

namespace dravik::tools {

// One field of the state that a run does not reproduce.
struct Difference {
    std::string field;  // "deaths", "balls.Balls4", ...
    std::string expected, found;
};

// The fields in which two state lines differ as JSON, a ball group by its
// path ("balls.Balls4"); empty when they hold the same values, however they
// are spaced or ordered. A line that is no JSON object differs as a whole.
std::vector<Difference> StateDifferences(const std::string& expected, const std::string& found);

}  // namespace dravik::tools
