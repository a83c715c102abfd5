#include "game/patrols.h"

namespace dravik {

// One game tick: the checks against the positions the previous tick left,
// then the player's step, the balls' advance, their turns and the line-up.
void Form::tmrBall_Timer()
{
    CheckWalls();
    CheckGoal();
    CheckBalls();
    CheckBalls1();
    CheckBalls2();
    CheckBalls3();
    CheckBalls4();
    CheckBalls5();
    CheckBalls6();
    CheckBalls7();
    CheckBalls10();
    CheckBalls13();
    CheckKeys();
    MovePlayer();
    AdvanceLeaders();
    BounceBalls();
    LineUpMembers();
}

void Form::MovePlayer()
{
    Square.Left = AddStep(Square.Left, MoveX);
    Square.Top = AddStep(Square.Top, MoveY);
}

// Each moving group's leader takes one step; the two axes of a diagonal ball
// move one after the other, Left first.
void Form::AdvanceLeaders()
{
    ForEachPatrolAxis([this](auto patrol, auto which) {
        constexpr const Patrol& row = kPatrols[decltype(patrol)::value];
        constexpr const PatrolAxis& axis = row.axes[decltype(which)::value];
        constexpr float Shape::*coordinate = Coordinate(axis.axis);
        Shape& leader = ShapeAt<LeaderRef(row)>(*this);
        leader.*coordinate = AddStep(leader.*coordinate, this->*axis.velocity);
    });
}

// The rows and columns move as one: every member takes its leader's moving
// coordinate, item 0 included, one group after the other. Members side by
// side are lined up in one pass, ScanIndex left where the scan leaves it; a
// gap, or a last index ScanIndex cannot pass, takes the scan one member at a
// time, to fail where it fails.
void Form::LineUpMembers()
{
    ForEachPatrol([this](auto index) {
        constexpr const Patrol& patrol = kPatrols[decltype(index)::value];
        if constexpr (KindOf(patrol.group) == ControlKind::Group) {
            LineUp(this->*MemberOf(patrol.group).group, Coordinate(patrol.axes[0].axis));
        }
    });
}

void Form::LineUp(ControlGroup& group, float Shape::*coordinate)
{
    const std::int16_t last = group.UBound();
    Shape* members = group.Contiguous();
    if (members != nullptr && last < INT16_MAX) {
        for (int i = 0; i <= last; ++i) {
            members[i].*coordinate = members[0].*coordinate;
        }
        ScanIndex = static_cast<std::int16_t>(last + 1);
        return;
    }
    ScanIndex = 0;
    while (ScanIndex <= last) {
        group.Item(ScanIndex).*coordinate = group.Item(0).*coordinate;
        Increment16(ScanIndex);
    }
}

}  // namespace dravik
