#include "game/form.h"

namespace dravik {

namespace {

// Bounds are formed afresh from the wall or zone at every evaluation, in
// single precision: a right or bottom edge, or a near edge less the ball's size.
float RightEdge(const Shape& s)
{
    return CheckedSingle(s.Left + s.Width);
}

float BottomEdge(const Shape& s)
{
    return CheckedSingle(s.Top + s.Height);
}

float LeftLess(const Shape& s, float size)
{
    return CheckedSingle(s.Left - size);
}

float TopLess(const Shape& s, float size)
{
    return CheckedSingle(s.Top - size);
}

}  // namespace

// The turns of the moving balls. Each velocity has one pair of tests against
// the leader where this tick's advance has put it: the first test that holds
// sets the velocity, and when neither holds the velocity keeps its value. Both
// tests are inclusive, so a leader exactly on a bound turns.
void Form::BounceBalls()
{
    const Shape& balls = Balls.Item(0);
    if (balls.Top <= BottomEdge(Wall.Item(0))) {
        VelBallsY = 30;
    } else if (balls.Top >= TopLess(Wall.Item(1), balls.Height)) {
        VelBallsY = -30;
    }

    const Shape& balls1 = Balls1.Item(0);
    if (balls1.Top <= BottomEdge(Wall.Item(0))) {
        VelBalls1Y = 30;
    } else if (balls1.Top >= TopLess(Wall.Item(1), balls1.Height)) {
        VelBalls1Y = -30;
    }

    const Shape& balls2 = Balls2.Item(0);
    if (balls2.Left <= RightEdge(Wall.Item(2))) {
        VelBalls2X = 80;
    } else if (balls2.Left >= LeftLess(Wall.Item(3), balls2.Width)) {
        VelBalls2X = -80;
    }

    const Shape& balls3 = Balls3.Item(0);
    if (balls3.Left <= RightEdge(Wall.Item(2))) {
        VelBalls3X = 80;
    } else if (balls3.Left >= LeftLess(Wall.Item(3), balls3.Width)) {
        VelBalls3X = -80;
    }

    // The top corridor runs between the two upper rest zones.
    if (Balls4.Left >= LeftLess(Rest2, Balls4.Width)) {
        VelBalls4X = -40;
    } else if (Balls4.Left <= RightEdge(Rest3)) {
        VelBalls4X = 40;
    }

    const Shape& balls5 = Balls5.Item(0);
    if (balls5.Left >= LeftLess(Rest2, balls5.Width)) {
        VelBalls5X = -60;
    } else if (balls5.Left <= RightEdge(Rest3)) {
        VelBalls5X = 60;
    }

    // The left corridor: across between Wall 7 and Wall 6, along from the
    // bottom of Rest3 to Wall 8.
    if (Balls6.Left <= RightEdge(Wall.Item(7))) {
        VelBalls6X = 30;
    } else if (Balls6.Left >= LeftLess(Wall.Item(6), Balls6.Width)) {
        VelBalls6X = -30;
    }
    if (Balls6.Top <= BottomEdge(Rest3)) {
        VelBalls6Y = 30;
    } else if (Balls6.Top >= TopLess(Wall.Item(8), Balls6.Height)) {
        VelBalls6Y = -30;
    }

    if (Balls7.Left <= RightEdge(Wall.Item(7))) {
        VelBalls7X = 30;
    } else if (Balls7.Left >= LeftLess(Wall.Item(6), Balls7.Width)) {
        VelBalls7X = -30;
    }
    if (Balls7.Top <= BottomEdge(Rest3)) {
        VelBalls7Y = 30;
    } else if (Balls7.Top >= TopLess(Wall.Item(8), Balls7.Height)) {
        VelBalls7Y = -30;
    }

    if (Balls8.Top <= BottomEdge(Rest3)) {
        VelBalls8Y = 30;
    } else if (Balls8.Top >= TopLess(Wall.Item(8), Balls8.Height)) {
        VelBalls8Y = -30;
    }

    // The key block: along between Wall 7 and Wall 10, across between the
    // bottom of Wall 9 and Wall 8 (the high side tested first).
    if (Balls9.Left <= RightEdge(Wall.Item(7))) {
        VelBalls9X = 30;
    } else if (Balls9.Left >= LeftLess(Wall.Item(10), Balls9.Width)) {
        VelBalls9X = -30;
    }
    if (Balls9.Top >= TopLess(Wall.Item(8), Balls9.Height)) {
        VelBalls9Y = -30;
    } else if (Balls9.Top <= BottomEdge(Wall.Item(9))) {
        VelBalls9Y = 30;
    }

    if (Balls10.Left <= RightEdge(Wall.Item(7))) {
        VelBalls10X = 80;
    } else if (Balls10.Left >= LeftLess(Wall.Item(10), Balls10.Width)) {
        VelBalls10X = -80;
    }

    if (Balls11.Left <= RightEdge(Wall.Item(7))) {
        VelBalls11X = 30;
    } else if (Balls11.Left >= LeftLess(Wall.Item(10), Balls11.Width)) {
        VelBalls11X = -30;
    }
    if (Balls11.Top >= TopLess(Wall.Item(8), Balls11.Height)) {
        VelBalls11Y = -30;
    } else if (Balls11.Top <= BottomEdge(Wall.Item(9))) {
        VelBalls11Y = 30;
    }

    if (Balls12.Left <= RightEdge(Wall.Item(7))) {
        VelBalls12X = 80;
    } else if (Balls12.Left >= LeftLess(Wall.Item(10), Balls12.Width)) {
        VelBalls12X = -80;
    }
}

}  // namespace dravik
