#include "game/patrols.h"

namespace dravik {

namespace {

// A turn test's bound, formed afresh from the wall or zone at every
// evaluation, in single precision: at the low end its right or bottom edge,
// at the high end its left or top edge less the ball's size.
template <Axis axis, End end>
float BoundOf(const Shape& wall, const Shape& leader)
{
    if constexpr (end == End::Low) {
        return axis == Axis::Left ? CheckedSingle(wall.Left + wall.Width) : CheckedSingle(wall.Top + wall.Height);
    } else {
        return axis == Axis::Left ? CheckedSingle(wall.Left - leader.Width) : CheckedSingle(wall.Top - leader.Height);
    }
}

// Whether the leader has reached or passed the bound: both ends inclusive, so
// a leader exactly on a bound turns.
template <Axis axis, End end>
bool Reached(const Shape& leader, const Shape& wall)
{
    const float position = leader.*Coordinate(axis);
    if constexpr (end == End::Low) {
        return position <= BoundOf<axis, end>(wall, leader);
    } else {
        return position >= BoundOf<axis, end>(wall, leader);
    }
}

template <End end>
constexpr std::int16_t TurnedTo(std::int16_t speed)
{
    return end == End::Low ? speed : static_cast<std::int16_t>(-speed);
}

}  // namespace

// The turns of the moving balls. Each velocity has one pair of tests against
// the leader where this tick's advance has put it: the first test that holds
// sets the velocity, and when neither holds the velocity keeps its value. The
// second test's wall or zone is read only when the first test fails.
void Form::BounceBalls()
{
    ForEachPatrolAxis([this](auto patrol, auto which) {
        constexpr const Patrol& row = kPatrols[decltype(patrol)::value];
        constexpr const PatrolAxis& axis = row.axes[decltype(which)::value];
        constexpr TurnTest first = axis.turns[0];
        constexpr TurnTest second = axis.turns[1];
        const Shape& leader = ShapeAt<LeaderRef(row)>(*this);
        if (Reached<axis.axis, first.end>(leader, ShapeAt<first.bound>(*this))) {
            this->*axis.velocity = TurnedTo<first.end>(axis.speed);
        } else if (Reached<axis.axis, second.end>(leader, ShapeAt<second.bound>(*this))) {
            this->*axis.velocity = TurnedTo<second.end>(axis.speed);
        }
    });
}

}  // namespace dravik
