#include "game/form.h"

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
    Shape& balls = Balls.Item(0);
    balls.Top = AddStep(balls.Top, VelBallsY);
    Shape& balls1 = Balls1.Item(0);
    balls1.Top = AddStep(balls1.Top, VelBalls1Y);
    Shape& balls2 = Balls2.Item(0);
    balls2.Left = AddStep(balls2.Left, VelBalls2X);
    Shape& balls3 = Balls3.Item(0);
    balls3.Left = AddStep(balls3.Left, VelBalls3X);
    Balls4.Left = AddStep(Balls4.Left, VelBalls4X);
    Shape& balls5 = Balls5.Item(0);
    balls5.Left = AddStep(balls5.Left, VelBalls5X);
    Balls6.Left = AddStep(Balls6.Left, VelBalls6X);
    Balls6.Top = AddStep(Balls6.Top, VelBalls6Y);
    Balls7.Left = AddStep(Balls7.Left, VelBalls7X);
    Balls7.Top = AddStep(Balls7.Top, VelBalls7Y);
    Balls8.Top = AddStep(Balls8.Top, VelBalls8Y);
    Balls9.Left = AddStep(Balls9.Left, VelBalls9X);
    Balls9.Top = AddStep(Balls9.Top, VelBalls9Y);
    Balls10.Left = AddStep(Balls10.Left, VelBalls10X);
    Balls11.Left = AddStep(Balls11.Left, VelBalls11X);
    Balls11.Top = AddStep(Balls11.Top, VelBalls11Y);
    Balls12.Left = AddStep(Balls12.Left, VelBalls12X);
}

// The rows and columns move as one: every member takes its leader's moving
// coordinate, item 0 included. Members side by side are lined up in one pass,
// ScanIndex left where the scan leaves it; a gap, or a last index ScanIndex
// cannot pass, takes the scan one member at a time, to fail where it fails.
void Form::LineUpMembers()
{
    LineUp(Balls, &Shape::Top);
    LineUp(Balls1, &Shape::Top);
    LineUp(Balls2, &Shape::Left);
    LineUp(Balls3, &Shape::Left);
    LineUp(Balls5, &Shape::Left);
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
