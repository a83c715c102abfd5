#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "game/form.h"
#include "game/rect.h"

namespace dravik {

// The coordinate a velocity moves.
enum class Axis { Left, Top };

// Which end of its track a turn test watches. At the low end the leader's
// coordinate has reached the far edge (right or bottom) of a wall or zone,
// and the velocity turns to +speed; at the high end the leader's far edge has
// reached the near edge (left or top) of one, and it turns to -speed.
enum class End { Low, High };

// One test of a bounce rule: the end it watches and the wall or zone whose
// current edges form its bound.
struct TurnTest {
    End end = End::Low;
    ControlRef bound{};
};

// One of the 17 ball velocities: the form's variable, the coordinate it moves,
// its speed and its bounce rule, two tests in the order the rule makes them.
// From the first tick on it holds one of its two values, +speed or -speed
// twips per tick, and nothing else.
struct PatrolAxis {
    std::string_view name;
    std::int16_t Form::*velocity = nullptr;
    Axis axis = Axis::Left;
    std::int16_t speed = 0;
    std::array<TurnTest, 2> turns{};
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
constexpr TurnTest Low(ControlName bound, std::int16_t index = kSingle)
{
    return {End::Low, {bound, index}};
}
constexpr TurnTest High(ControlName bound, std::int16_t index = kSingle)
{
    return {End::High, {bound, index}};
}
}  // namespace patrol_rows

// Every patrol of the level, in the order the tick advances and turns them,
// which is also the order of the trace.
inline constexpr std::array<Patrol, 13> kPatrols = [] {
    using C = ControlName;
    using A = Axis;
    using namespace patrol_rows;
    // The bounds: the bottom and the floor of the lower field, the walls on
    // either side of the right corridor, the two upper rest zones, and the
    // walls and zone around the left corridor and the key block.
    constexpr TurnTest field = Low(C::Wall, 0), floor = High(C::Wall, 1);
    constexpr TurnTest corridorLeft = Low(C::Wall, 2), corridorRight = High(C::Wall, 3);
    constexpr TurnTest restLeft = Low(C::Rest3), restRight = High(C::Rest2);
    constexpr TurnTest farLeft = Low(C::Wall, 7), sideWall = High(C::Wall, 6), blockRight = High(C::Wall, 10);
    constexpr TurnTest underRest = Low(C::Rest3), bottom = High(C::Wall, 8), blockTop = Low(C::Wall, 9);
    return std::array<Patrol, 13>{
        Along(C::Balls, {2280, 9840, 8655, 11775}, {"VelBallsY", &Form::VelBallsY, A::Top, 30, {field, floor}}),
        Along(C::Balls1, {2880, 9870, 9255, 11775}, {"VelBalls1Y", &Form::VelBalls1Y, A::Top, 30, {field, floor}}),
        Along(C::Balls2, {9600, 3240, 11575, 9615},
              {"VelBalls2X", &Form::VelBalls2X, A::Left, 80, {corridorLeft, corridorRight}}),
        Along(C::Balls3, {9560, 2640, 11535, 9015},
              {"VelBalls3X", &Form::VelBalls3X, A::Left, 80, {corridorLeft, corridorRight}}),
        // The top corridor: the high end is tested first.
        Along(C::Balls4, {2160, 1200, 9615, 1695},
              {"VelBalls4X", &Form::VelBalls4X, A::Left, 40, {restRight, restLeft}}),
        Along(C::Balls5, {2160, 480, 9615, 2415},
              {"VelBalls5X", &Form::VelBalls5X, A::Left, 60, {restRight, restLeft}}),
        Diagonal(C::Balls6, {240, 2400, 2175, 9255},
                 {"VelBalls6X", &Form::VelBalls6X, A::Left, 30, {farLeft, sideWall}},
                 {"VelBalls6Y", &Form::VelBalls6Y, A::Top, 30, {underRest, bottom}}),
        Diagonal(C::Balls7, {270, 2400, 2175, 9255},
                 {"VelBalls7X", &Form::VelBalls7X, A::Left, 30, {farLeft, sideWall}},
                 {"VelBalls7Y", &Form::VelBalls7Y, A::Top, 30, {underRest, bottom}}),
        Along(C::Balls8, {1080, 2400, 1455, 9255}, {"VelBalls8Y", &Form::VelBalls8Y, A::Top, 30, {underRest, bottom}}),
        // The key block: across, the high end is tested first.
        Diagonal(C::Balls9, {240, 7470, 9255, 9255},
                 {"VelBalls9X", &Form::VelBalls9X, A::Left, 30, {farLeft, blockRight}},
                 {"VelBalls9Y", &Form::VelBalls9Y, A::Top, 30, {bottom, blockTop}}),
        Along(C::Balls10, {240, 7440, 9255, 7815},
              {"VelBalls10X", &Form::VelBalls10X, A::Left, 80, {farLeft, blockRight}}),
        Diagonal(C::Balls11, {270, 7440, 9255, 9255},
                 {"VelBalls11X", &Form::VelBalls11X, A::Left, 30, {farLeft, blockRight}},
                 {"VelBalls11Y", &Form::VelBalls11Y, A::Top, 30, {bottom, blockTop}}),
        Along(C::Balls12, {240, 8880, 9255, 9255},
              {"VelBalls12X", &Form::VelBalls12X, A::Left, 80, {farLeft, blockRight}}),
    };
}();

// Only single balls move on both axes: a row or column takes one coordinate
// from its leader.
static_assert([] {
    for (const Patrol& patrol : kPatrols) {
        if (KindOf(patrol.group) == ControlKind::Group && patrol.axisCount != 1) {
            return false;
        }
    }
    return true;
}());

// The ball a patrol's velocities move: item 0 of a group, or the single ball.
constexpr ControlRef LeaderRef(const Patrol& patrol)
{
    return {patrol.group, KindOf(patrol.group) == ControlKind::Group ? std::int16_t{0} : kSingle};
}

constexpr float Shape::*Coordinate(Axis axis)
{
    return axis == Axis::Left ? &Shape::Left : &Shape::Top;
}

// An index into kPatrols known when the program is built.
template <std::size_t P>
using PatrolIndex = std::integral_constant<std::size_t, P>;

template <typename F, std::size_t... P>
void ForEachPatrolIn(F& f, std::index_sequence<P...>)
{
    (f(PatrolIndex<P>{}), ...);
}

// Calls f(PatrolIndex<P>{}) for every patrol P, in the table's order.
template <typename F>
void ForEachPatrol(F&& f)
{
    ForEachPatrolIn(f, std::make_index_sequence<kPatrols.size()>());
}

// Calls f(PatrolIndex<P>{}, std::integral_constant<std::size_t, A>{}) for
// every axis A of every patrol P, in the table's order: the order in which
// the tick advances and turns them.
template <typename F>
void ForEachPatrolAxis(F&& f)
{
    ForEachPatrol([&](auto patrol) {
        f(patrol, std::integral_constant<std::size_t, 0>{});
        if constexpr (kPatrols[decltype(patrol)::value].axisCount == 2) {
            f(patrol, std::integral_constant<std::size_t, 1>{});
        }
    });
}

// The ball a patrol's velocities move: item 0 of a group, or the single ball.
inline const Shape& Leader(const Level& level, const Patrol& patrol)
{
    return ShapeAt(level, LeaderRef(patrol));
}

inline float Position(const Shape& shape, Axis axis)
{
    return shape.*Coordinate(axis);
}

}  // namespace dravik
