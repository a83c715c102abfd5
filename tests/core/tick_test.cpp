// The order of a tick: checks against the previous tick's positions, then the
// player's step, the balls' advance, their turns and the line-up.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/form.h"
#include "game/patrols.h"
#include "level/fatal_error.h"
#include "probe.h"

namespace dravik {
namespace {

TEST(Tick, FirstTickMovesNothingAndSetsEveryVelocity)
{
    Form form;
    const Form before = form;
    form.tmrBall_Timer();
    EXPECT_EQ(form.Square.Left, before.Square.Left);
    EXPECT_EQ(form.Balls4.Left, before.Balls4.Left);
    EXPECT_EQ(form.Balls2.Item(3).Left, before.Balls2.Item(3).Left);
    for (const Patrol& patrol : kPatrols) {
        for (const PatrolAxis& axis : patrol.Axes()) {
            EXPECT_NE(form.*axis.velocity, 0) << axis.name;
        }
    }
}

TEST(Tick, SecondTickMovesEachLeaderOneStepAndLinesUpItsGroup)
{
    Form form;
    form.tmrBall_Timer();
    form.tmrBall_Timer();
    for (std::int16_t i = 0; i <= 5; ++i) {
        EXPECT_EQ(form.Balls.Item(i).Top, 9870);
        EXPECT_EQ(form.Balls2.Item(i).Left, 9680);
    }
    EXPECT_EQ(form.Balls5.Item(0).Left, 2220);
    EXPECT_EQ(form.Balls5.Item(1).Left, 2220);
    EXPECT_EQ(form.Balls4.Left, 9080);
    EXPECT_EQ(form.Balls6.Left, 270);
    EXPECT_EQ(form.Balls6.Top, 2430);
    // The coordinate that is not lined up keeps its level value.
    EXPECT_EQ(form.Balls.Item(3).Left, 5880);
    EXPECT_EQ(form.Balls5.Item(1).Top, 480);
    // Field balls never move.
    EXPECT_EQ(form.Balls13.Item(0).Left, 6840);
}

TEST(Tick, LineUpCopiesTheLeaderToStrayMembers)
{
    Form form;
    form.tmrBall_Timer();
    form.Balls1.Item(4).Top = 123;  // knocked out of line
    form.Balls3.Item(2).Left = 456;
    form.tmrBall_Timer();
    EXPECT_EQ(form.Balls1.Item(4).Top, form.Balls1.Item(0).Top);
    EXPECT_EQ(form.Balls3.Item(2).Left, form.Balls3.Item(0).Left);
    EXPECT_EQ(form.ScanIndex, 2);  // the last line-up, of Balls5, ends one past its highest index
}

TEST(Tick, PlayerStepsAfterTheChecks)
{
    Form form;
    form.Form_KeyDown(vbKeyRight, 0);
    form.tmrBall_Timer();
    EXPECT_EQ(form.Square.Left, 990);
    EXPECT_EQ(form.Square.Top, 10560);
}

TEST(Tick, HeldDownSinksIntoTheFloorBetweenPushOuts)
{
    Form form;
    form.Form_KeyDown(vbKeyDown, 0);
    for (int tick = 1; tick <= 28; ++tick) {
        form.tmrBall_Timer();
    }
    EXPECT_EQ(form.Square.Top, 11400);  // 15 into the floor: seen only by the next tick
    for (int tick = 29; tick <= 60; ++tick) {
        form.tmrBall_Timer();
        ASSERT_EQ(form.Square.Top, 11415) << "tick " << tick;
    }
    EXPECT_EQ(form.Square.Left, 960);
    EXPECT_EQ(form.Deaths.Caption, "0");
}

TEST(Tick, StateAfterManyTicksDependsOnlyOnTheTicks)
{
    Form a;
    Form b;
    for (int i = 0; i < 5000; ++i) {
        a.tmrBall_Timer();
    }
    for (int i = 0; i < 5000; ++i) {
        b.tmrBall_Timer();
    }
    EXPECT_EQ(a.Balls9.Left, b.Balls9.Left);
    EXPECT_EQ(a.Balls11.Top, b.Balls11.Top);
    EXPECT_EQ(a.VelBalls4X, b.VelBalls4X);
}

TEST(TickFaults, AFloatFaultStopsTheTickBeforeTheWrite)
{
    Form form;
    form.tmrBall_Timer();
    // Balls8 is read by no check, so its advance is the first thing to meet the fault.
    form.Balls8.Top = std::numeric_limits<float>::quiet_NaN();
    const float balls9Left = form.Balls9.Left;
    const float balls7Top = form.Balls7.Top;
    try {
        form.tmrBall_Timer();
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatFault);
    }
    EXPECT_TRUE(std::isnan(form.Balls8.Top));  // not written
    EXPECT_NE(form.Balls7.Top, balls7Top);     // advanced before the fault
    EXPECT_EQ(form.Balls9.Left, balls9Left);   // never reached
}

TEST(TickFaults, OutOfRangeRectanglesAndCountersAreOverflows)
{
    Form form;
    form.Square.Left = 3.0e9F;  // beyond 32 bits once rounded
    try {
        form.tmrBall_Timer();
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.kind(), FaultKind::Overflow);
    }
    std::int16_t counter = 32767;
    EXPECT_THROW(Increment16(counter), FatalError);
    EXPECT_EQ(counter, 32767);
    EXPECT_THROW(RoundToInt16(32767.5), FatalError);  // ties to even: 32768
    EXPECT_EQ(RoundToInt16(32766.5), 32766);
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
}

TEST(TickFaults, AMissingGroupMemberIsFatal)
{
    Form form;
    EXPECT_THROW(form.Balls14.Item(28).Left = 0, FatalError);
}

}  // namespace
}  // namespace dravik
