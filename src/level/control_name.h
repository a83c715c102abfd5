#pragma once

#include <cstdint>
#include <string_view>

namespace dravik {

// Every named control of the form that has a picture: the shapes and groups
// of the level and the four labels of the counter display.
enum class ControlName : std::uint8_t {
    Square,
    Start,
    Rest,
    Rest2,
    Rest3,
    shpGoal,
    Wall,
    Key,
    Balls,
    Balls1,
    Balls2,
    Balls3,
    Balls4,
    Balls5,
    Balls6,
    Balls7,
    Balls8,
    Balls9,
    Balls10,
    Balls11,
    Balls12,
    Balls13,
    Balls14,
    lblDeaths,
    Deaths,
    lblTime,
    Time,
};

inline constexpr int kControlNameCount = static_cast<int>(ControlName::Time) + 1;

// Index used for a control that is a single shape rather than a group member.
inline constexpr std::int16_t kSingle = -1;

std::string_view NameOf(ControlName name);

inline bool IsLabel(ControlName name)
{
    return name >= ControlName::lblDeaths;
}

}  // namespace dravik
