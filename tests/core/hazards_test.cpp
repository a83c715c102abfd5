// Contact with deadly balls: respawn, the death counter and the keys.
#include <gtest/gtest.h>

#include <functional>

#include "game/form.h"
#include "probe.h"

namespace dravik {
namespace {

using Point = std::pair<float, float>;

Point At(const Form& f)
{
    return {f.Square.Left, f.Square.Top};
}

TEST(Hazards, OnlyTheTenDeadlyGroupsKill)
{
    using C = ControlName;
    const std::vector<std::pair<C, std::int16_t>> deadly = {
        {C::Balls, 3},  {C::Balls1, 5},       {C::Balls2, 0},       {C::Balls3, 4},        {C::Balls4, kSingle},
        {C::Balls5, 1}, {C::Balls6, kSingle}, {C::Balls7, kSingle}, {C::Balls10, kSingle}, {C::Balls13, 40},
    };
    const std::vector<std::pair<C, std::int16_t>> harmless = {
        {C::Balls8, kSingle},  {C::Balls9, kSingle}, {C::Balls11, kSingle},
        {C::Balls12, kSingle}, {C::Balls14, 0},      {C::Balls14, 34},
    };
    // Put one ball on the player at the start point and run one tick.
    auto deathsWith = [](C name, std::int16_t index) {
        Form form;
        Place(*form.Find(name, index), 1000, 10600);
        form.tmrBall_Timer();
        return form.Deaths.Caption;
    };
    for (const auto& [name, index] : deadly) {
        EXPECT_EQ(deathsWith(name, index), "1") << NameOf(name) << " " << index;
    }
    for (const auto& [name, index] : harmless) {
        EXPECT_EQ(deathsWith(name, index), "0") << NameOf(name) << " " << index;
    }
}

TEST(Hazards, ABallThatOnlyTouchesDoesNotKill)
{
    Form form;
    Place(form.Square, form.Balls4.Left - form.Square.Width, form.Balls4.Top);
    FormProbe::CheckBalls4(form);
    EXPECT_EQ(form.Deaths.Caption, "0");
    form.Square.Left += 1;
    FormProbe::CheckBalls4(form);
    EXPECT_EQ(form.Deaths.Caption, "1");
}

TEST(Hazards, ADeathRespawnsCountsAndShowsEveryKey)
{
    Form form;
    for (std::int16_t i = 0; i < 100; ++i) {
        form.Key.Item(i).Visible = false;
    }
    Place(form.Square, form.Balls4.Left + 10, form.Balls4.Top + 10);
    FormProbe::CheckBalls4(form);
    EXPECT_EQ(At(form), (Point{960, 10560}));
    EXPECT_EQ(form.Deaths.Caption, "1");
    EXPECT_EQ(VisibleKeys(form), 155);
    EXPECT_EQ(form.Time.Caption, "0");
}

TEST(Hazards, EveryMemberOverTheEntryRectangleCountsADeath)
{
    // Between two field balls that overlap each other by 15: both touch the player.
    Form form;
    Place(form.Square, 3300, 3600);
    FormProbe::CheckBalls13(form);
    EXPECT_EQ(form.Deaths.Caption, "2");
    EXPECT_EQ(At(form), (Point{960, 10560}));
    EXPECT_EQ(form.ScanIndex, 79);  // the scan went on to the end after the deaths
    EXPECT_EQ(form.InnerScanIndex, 155);

    Form again;  // the same inside a whole tick
    Place(again.Square, 3300, 3600);
    again.tmrBall_Timer();
    EXPECT_EQ(again.Deaths.Caption, "2");
}

TEST(Hazards, LaterChecksTestThePlayerAtTheStartPoint)
{
    Form form;
    Place(form.Square, form.Balls4.Left + 10, form.Balls4.Top + 10);
    Place(form.Balls13.Item(0), 900, 10500);  // a field ball over the start point
    form.tmrBall_Timer();
    EXPECT_EQ(form.Deaths.Caption, "2");
    EXPECT_EQ(At(form), (Point{960, 10560}));
}

TEST(Hazards, AHeldKeyCarriesThePlayerOnFromTheStart)
{
    Form form;
    form.Form_KeyDown(vbKeyRight, 0);
    Place(form.Square, form.Balls4.Left + 10, form.Balls4.Top + 10);
    form.tmrBall_Timer();
    EXPECT_EQ(form.Deaths.Caption, "1");
    EXPECT_EQ(At(form), (Point{990, 10560}));
    EXPECT_EQ(form.MoveX, 30);
}

TEST(Hazards, ADeathLeavesTheBallsAlone)
{
    Form form;
    for (int i = 0; i < 30; ++i) {
        form.tmrBall_Timer();
    }
    Form control = form;
    Place(form.Square, 3300, 3600);
    form.tmrBall_Timer();
    control.tmrBall_Timer();
    EXPECT_EQ(form.Deaths.Caption, "2");
    EXPECT_EQ(form.Balls6.Left, control.Balls6.Left);
    EXPECT_EQ(form.Balls6.Top, control.Balls6.Top);
    EXPECT_EQ(form.VelBalls6Y, control.VelBalls6Y);
    EXPECT_EQ(form.Balls2.Item(5).Left, control.Balls2.Item(5).Left);
}

TEST(Hazards, RunningIntoALowerCorridorBallKillsOneTickAfterTheOverlap)
{
    // Walk right along the lower corridor until the first death.
    Form form;
    form.Form_KeyDown(vbKeyRight, 0);
    int tick = 0;
    float leftBeforeDeath = 0;
    while (form.Deaths.Caption == "0" && tick < 1000) {
        leftBeforeDeath = form.Square.Left;
        form.tmrBall_Timer();
        ++tick;
    }
    ASSERT_EQ(form.Deaths.Caption, "1");
    EXPECT_EQ(form.Square.Left, 990);  // respawned, then stepped right in the same tick
    EXPECT_LT(leftBeforeDeath, 3480);  // never past the first ball of the top row
}

}  // namespace
}  // namespace dravik
