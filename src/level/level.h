#pragma once

#include <array>
#include <vector>

#include "level/control_group.h"
#include "level/control_name.h"
#include "level/label.h"
#include "level/layout.h"
#include "level/shape.h"

namespace dravik {

// One control in the design order: a shape (single or group member) or a label.
struct ControlRef {
    ControlName name;
    std::int16_t index;  // kSingle for a single shape or a label
};

// The controls of the form, built from the level tables: every shape of the
// level and the four labels, under the names the game's rules use.
struct Level {
    Level();

#define DRAVIK_SHAPE_MEMBER(name) Shape name;
#define DRAVIK_GROUP_MEMBER(name) ControlGroup name;
#define DRAVIK_LABEL_MEMBER(name) Label name;
    DRAVIK_CONTROLS(DRAVIK_SHAPE_MEMBER, DRAVIK_GROUP_MEMBER, DRAVIK_LABEL_MEMBER)
#undef DRAVIK_SHAPE_MEMBER
#undef DRAVIK_GROUP_MEMBER
#undef DRAVIK_LABEL_MEMBER

    // The shape behind a control; nullptr for a label or a missing member.
    Shape* Find(ControlName name, std::int16_t index);
    const Shape* Find(ControlName name, std::int16_t index) const;

    // The label behind a label name; nullptr for anything else.
    Label* FindLabel(ControlName name);
    const Label* FindLabel(ControlName name) const;

    // A group by name; nullptr for a single shape or a label.
    ControlGroup* Group(ControlName name);
    const ControlGroup* Group(ControlName name) const;
};

// Where each control lives in a Level: the one member pointer of its kind.
struct ControlMember {
    Shape Level::*shape = nullptr;
    ControlGroup Level::*group = nullptr;
    Label Level::*label = nullptr;
};

#define DRAVIK_SHAPE_ENTRY(name) ControlMember{&Level::name, nullptr, nullptr},
#define DRAVIK_GROUP_ENTRY(name) ControlMember{nullptr, &Level::name, nullptr},
#define DRAVIK_LABEL_ENTRY(name) ControlMember{nullptr, nullptr, &Level::name},
inline constexpr std::array<ControlMember, kControlNameCount> kControlMembers = {
    DRAVIK_CONTROLS(DRAVIK_SHAPE_ENTRY, DRAVIK_GROUP_ENTRY, DRAVIK_LABEL_ENTRY)};
#undef DRAVIK_SHAPE_ENTRY
#undef DRAVIK_GROUP_ENTRY
#undef DRAVIK_LABEL_ENTRY

constexpr const ControlMember& MemberOf(ControlName name)
{
    return kControlMembers[static_cast<std::size_t>(name)];
}

// The shape a rule names: a single shape, or a member of a group, which must
// exist (a missing member is a fatal error, as for any access by index).
inline const Shape& ShapeAt(const Level& level, ControlRef ref)
{
    const ControlMember& member = MemberOf(ref.name);
    return ref.index == kSingle ? level.*member.shape : (level.*member.group).Item(ref.index);
}

inline Shape& ShapeAt(Level& level, ControlRef ref)
{
    const ControlMember& member = MemberOf(ref.name);
    return ref.index == kSingle ? level.*member.shape : (level.*member.group).Item(ref.index);
}

// The same for a control known when the program is built: the member is
// reached directly, with no lookup, and a group member through Item.
template <ControlRef ref, typename L>
auto& ShapeAt(L& level)
{
    if constexpr (ref.index == kSingle) {
        return level.*(MemberOf(ref.name).shape);
    } else {
        return (level.*(MemberOf(ref.name).group)).Item(ref.index);
    }
}

// Every shape and label once, in the design order (earliest, drawn on top, first).
const std::vector<ControlRef>& DesignOrder();

}  // namespace dravik
