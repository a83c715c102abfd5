#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "game/form.h"
#include "game/rect.h"

namespace dravik {

// The coordinate a velocity moves.
enum class Axis { Left, Top };

// One of the 17 ball velocities: the form's variable, the coordinate it moves
// and its speed. From the first tick on it holds one of its two values,
// +speed or -speed twips per tick, and nothing else.
struct PatrolAxis {
    std::string_view name;
    std::int16_t Form::*velocity = nullptr;
    Axis axis = Axis::Left;
    std::int16_t speed = 0;
};

// A moving group or single ball: the velocities of its leader (a diagonal
// ball has one on each axis, Left first) and the rectangle its balls sweep
// over time, far edges included. The leader is item 0 of a row or column,
// whose members take its moving coordinate.
struct Patrol {
    ControlName group;
    RECT swept;
    std::array<PatrolAxis, 2> axes;
    std::size_t axisCount;

    std::span<const PatrolAxis> Axes() const { return {axes.data(), axisCount}; }
};

namespace patrol_rows {
constexpr Patrol Along(ControlName group, RECT swept, PatrolAxis axis)
{
    return {group, swept, {axis, {}}, 1};
}
constexpr Patrol Diagonal(ControlName group, RECT swept, PatrolAxis left, PatrolAxis top)
{
    return {group, swept, {left, top}, 2};
}
}  // namespace patrol_rows

// Every patrol of the level, in the order of the trace. The turns themselves
// are the form's own rules (BounceBalls); this is what they add up to.
inline constexpr std::array<Patrol, 13> kPatrols = [] {
    using C = ControlName;
    using A = Axis;
    using patrol_rows::Along;
    using patrol_rows::Diagonal;
    return std::array<Patrol, 13>{
        Along(C::Balls, {2280, 9840, 8655, 11775}, {"VelBallsY", &Form::VelBallsY, A::Top, 30}),
        Along(C::Balls1, {2880, 9870, 9255, 11775}, {"VelBalls1Y", &Form::VelBalls1Y, A::Top, 30}),
        Along(C::Balls2, {9600, 3240, 11575, 9615}, {"VelBalls2X", &Form::VelBalls2X, A::Left, 80}),
        Along(C::Balls3, {9560, 2640, 11535, 9015}, {"VelBalls3X", &Form::VelBalls3X, A::Left, 80}),
        Along(C::Balls4, {2160, 1200, 9615, 1695}, {"VelBalls4X", &Form::VelBalls4X, A::Left, 40}),
        Along(C::Balls5, {2160, 480, 9615, 2415}, {"VelBalls5X", &Form::VelBalls5X, A::Left, 60}),
        Diagonal(C::Balls6, {240, 2400, 2175, 9255}, {"VelBalls6X", &Form::VelBalls6X, A::Left, 30},
                 {"VelBalls6Y", &Form::VelBalls6Y, A::Top, 30}),
        Diagonal(C::Balls7, {270, 2400, 2175, 9255}, {"VelBalls7X", &Form::VelBalls7X, A::Left, 30},
                 {"VelBalls7Y", &Form::VelBalls7Y, A::Top, 30}),
        Along(C::Balls8, {1080, 2400, 1455, 9255}, {"VelBalls8Y", &Form::VelBalls8Y, A::Top, 30}),
        Diagonal(C::Balls9, {240, 7470, 9255, 9255}, {"VelBalls9X", &Form::VelBalls9X, A::Left, 30},
                 {"VelBalls9Y", &Form::VelBalls9Y, A::Top, 30}),
        Along(C::Balls10, {240, 7440, 9255, 7815}, {"VelBalls10X", &Form::VelBalls10X, A::Left, 80}),
        Diagonal(C::Balls11, {270, 7440, 9255, 9255}, {"VelBalls11X", &Form::VelBalls11X, A::Left, 30},
                 {"VelBalls11Y", &Form::VelBalls11Y, A::Top, 30}),
        Along(C::Balls12, {240, 8880, 9255, 9255}, {"VelBalls12X", &Form::VelBalls12X, A::Left, 80}),
    };
}();

// The ball a patrol's velocities move: item 0 of a group, or the single ball.
inline const Shape& Leader(const Level& level, const Patrol& patrol)
{
    const ControlGroup* group = level.Group(patrol.group);
    return group != nullptr ? group->Item(0) : *level.Find(patrol.group, kSingle);
}

inline float Position(const Shape& shape, Axis axis)
{
    return axis == Axis::Left ? shape.Left : shape.Top;
}

}  // namespace dravik
