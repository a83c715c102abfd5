#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dravik {

// Every named control of the form that has a picture, stated once: the shapes
// and groups of the level and the four labels of the counter display, each
// with what it is. The names, the form's members and the lookups by name are
// all made from this list.
// clang-format off
#define DRAVIK_CONTROLS(SHAPE, GROUP, LABEL)                                                         \
    SHAPE(Square) SHAPE(Start) SHAPE(Rest) SHAPE(Rest2) SHAPE(Rest3) SHAPE(shpGoal)                  \
    GROUP(Wall) GROUP(Key)                                                                           \
    GROUP(Balls) GROUP(Balls1) GROUP(Balls2) GROUP(Balls3) SHAPE(Balls4) GROUP(Balls5)               \
    SHAPE(Balls6) SHAPE(Balls7) SHAPE(Balls8) SHAPE(Balls9) SHAPE(Balls10) SHAPE(Balls11)            \
    SHAPE(Balls12) GROUP(Balls13) GROUP(Balls14)                                                     \
    LABEL(lblDeaths) LABEL(Deaths) LABEL(lblTime) LABEL(Time)
// clang-format on

#define DRAVIK_CONTROL_ENUMERATOR(name) name,
enum class ControlName : std::uint8_t {
    DRAVIK_CONTROLS(DRAVIK_CONTROL_ENUMERATOR, DRAVIK_CONTROL_ENUMERATOR, DRAVIK_CONTROL_ENUMERATOR)
};
#undef DRAVIK_CONTROL_ENUMERATOR

// What a control is: a single shape, a group of shapes, or a label.
enum class ControlKind : std::uint8_t { Shape, Group, Label };

#define DRAVIK_CONTROL_TEXT(name) #name,
inline constexpr auto kControlNames =
    std::to_array<std::string_view>({DRAVIK_CONTROLS(DRAVIK_CONTROL_TEXT, DRAVIK_CONTROL_TEXT, DRAVIK_CONTROL_TEXT)});
#undef DRAVIK_CONTROL_TEXT

inline constexpr int kControlNameCount = static_cast<int>(kControlNames.size());

#define DRAVIK_CONTROL_SHAPE_KIND(name) ControlKind::Shape,
#define DRAVIK_CONTROL_GROUP_KIND(name) ControlKind::Group,
#define DRAVIK_CONTROL_LABEL_KIND(name) ControlKind::Label,
inline constexpr std::array<ControlKind, kControlNameCount> kControlKinds = {
    DRAVIK_CONTROLS(DRAVIK_CONTROL_SHAPE_KIND, DRAVIK_CONTROL_GROUP_KIND, DRAVIK_CONTROL_LABEL_KIND)};
#undef DRAVIK_CONTROL_SHAPE_KIND
#undef DRAVIK_CONTROL_GROUP_KIND
#undef DRAVIK_CONTROL_LABEL_KIND

// Index used for a control that is a single shape rather than a group member.
inline constexpr std::int16_t kSingle = -1;

constexpr ControlKind KindOf(ControlName name)
{
    return kControlKinds[static_cast<std::size_t>(name)];
}

constexpr std::string_view NameOf(ControlName name)
{
    return kControlNames[static_cast<std::size_t>(name)];
}

constexpr bool IsLabel(ControlName name)
{
    return KindOf(name) == ControlKind::Label;
}

}  // namespace dravik
