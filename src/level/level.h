#pragma once

#include <vector>

#include "level/control_group.h"
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

    Shape Square, Start, Rest, Rest2, Rest3, shpGoal;
    ControlGroup Wall, Key;
    ControlGroup Balls, Balls1, Balls2, Balls3, Balls5;
    Shape Balls4, Balls6, Balls7, Balls8, Balls9, Balls10, Balls11, Balls12;
    ControlGroup Balls13, Balls14;
    Label lblDeaths, Deaths, lblTime, Time;

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

// Every shape and label once, in the design order (earliest, drawn on top, first).
const std::vector<ControlRef>& DesignOrder();

}  // namespace dravik
