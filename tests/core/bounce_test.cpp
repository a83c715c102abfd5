// The patrols of the moving balls: where and when each leader turns, and the
// area its group sweeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "game/form.h"
#include "game/rect.h"

namespace dravik {
namespace {

struct Axis {
    const char* name;
    std::function<float(const Form&)> coordinate;
    std::function<std::int16_t(const Form&)> velocity;
    std::int16_t speed;
    float firstTurn;
    int firstTick;
    float secondTurn;
    int secondTick;
    int period;
};

std::vector<Axis> Axes()
{
    return {
        {"Balls Top", [](const Form& f) { return f.Balls.Item(0).Top; }, [](const Form& f) { return f.VelBallsY; }, 30,
         11400, 53, 9870, 104, 102},
        {"Balls1 Top", [](const Form& f) { return f.Balls1.Item(0).Top; }, [](const Form& f) { return f.VelBalls1Y; },
         30, 9870, 52, 11400, 103, 102},
        {"Balls2 Left", [](const Form& f) { return f.Balls2.Item(0).Left; }, [](const Form& f) { return f.VelBalls2X; },
         80, 11200, 21, 9600, 41, 40},
        {"Balls3 Left", [](const Form& f) { return f.Balls3.Item(0).Left; }, [](const Form& f) { return f.VelBalls3X; },
         80, 9560, 21, 11160, 41, 40},
        {"Balls4 Left", [](const Form& f) { return f.Balls4.Left; }, [](const Form& f) { return f.VelBalls4X; }, 40,
         2160, 175, 9120, 349, 348},
        {"Balls5 Left", [](const Form& f) { return f.Balls5.Item(0).Left; }, [](const Form& f) { return f.VelBalls5X; },
         60, 9120, 117, 2160, 233, 232},
        {"Balls6 Left", [](const Form& f) { return f.Balls6.Left; }, [](const Form& f) { return f.VelBalls6X; }, 30,
         1800, 53, 270, 104, 102},
        {"Balls6 Top", [](const Form& f) { return f.Balls6.Top; }, [](const Form& f) { return f.VelBalls6Y; }, 30, 8880,
         217, 2400, 433, 432},
        {"Balls7 Left", [](const Form& f) { return f.Balls7.Left; }, [](const Form& f) { return f.VelBalls7X; }, 30,
         270, 52, 1800, 103, 102},
        {"Balls7 Top", [](const Form& f) { return f.Balls7.Top; }, [](const Form& f) { return f.VelBalls7Y; }, 30, 2400,
         217, 8880, 433, 432},
        {"Balls8 Top", [](const Form& f) { return f.Balls8.Top; }, [](const Form& f) { return f.VelBalls8Y; }, 30, 8880,
         217, 2400, 433, 432},
        {"Balls9 Left", [](const Form& f) { return f.Balls9.Left; }, [](const Form& f) { return f.VelBalls9X; }, 30,
         8880, 289, 270, 576, 574},
        {"Balls9 Top", [](const Form& f) { return f.Balls9.Top; }, [](const Form& f) { return f.VelBalls9Y; }, 30, 7470,
         48, 8880, 95, 94},
        {"Balls10 Left", [](const Form& f) { return f.Balls10.Left; }, [](const Form& f) { return f.VelBalls10X; }, 80,
         240, 109, 8880, 217, 216},
        {"Balls11 Left", [](const Form& f) { return f.Balls11.Left; }, [](const Form& f) { return f.VelBalls11X; }, 30,
         270, 288, 8880, 575, 574},
        {"Balls11 Top", [](const Form& f) { return f.Balls11.Top; }, [](const Form& f) { return f.VelBalls11Y; }, 30,
         8880, 49, 7470, 96, 94},
        {"Balls12 Left", [](const Form& f) { return f.Balls12.Left; }, [](const Form& f) { return f.VelBalls12X; }, 80,
         8880, 109, 240, 217, 216},
    };
}

struct Turn {
    int tick;
    float at;
};

TEST(BounceRules, EveryLeaderTurnsWhereAndWhenItsPatrolSays)
{
    const std::vector<Axis> axes = Axes();
    std::vector<std::vector<Turn>> turns(axes.size());
    std::vector<std::int16_t> previous(axes.size(), 0);
    Form form;
    form.tmrBall_Timer();
    for (std::size_t a = 0; a < axes.size(); ++a) {
        previous[a] = axes[a].velocity(form);
        EXPECT_EQ(std::abs(previous[a]), axes[a].speed) << axes[a].name << " after tick 1";
    }
    for (int tick = 2; tick <= 1300; ++tick) {
        form.tmrBall_Timer();
        for (std::size_t a = 0; a < axes.size(); ++a) {
            const std::int16_t v = axes[a].velocity(form);
            ASSERT_TRUE(v == axes[a].speed || v == -axes[a].speed) << axes[a].name << " tick " << tick;
            if (v != previous[a]) {
                turns[a].push_back({tick, axes[a].coordinate(form)});
            }
            previous[a] = v;
        }
    }
    for (std::size_t a = 0; a < axes.size(); ++a) {
        const Axis& x = axes[a];
        ASSERT_GE(turns[a].size(), 3U) << x.name;
        EXPECT_EQ(turns[a][0].tick, x.firstTick) << x.name;
        EXPECT_EQ(turns[a][0].at, x.firstTurn) << x.name;
        EXPECT_EQ(turns[a][1].tick, x.secondTick) << x.name;
        EXPECT_EQ(turns[a][1].at, x.secondTurn) << x.name;
        EXPECT_EQ(turns[a][2].tick, x.firstTick + x.period) << x.name;
        EXPECT_EQ(turns[a][2].at, x.firstTurn) << x.name;
    }
}

// (tick, Left, Top, which velocity changed) for the diagonal balls' first turns.
struct DiagonalTurn {
    int tick;
    float left, top;
};

std::vector<DiagonalTurn> DiagonalTurns(std::function<const Shape&(const Form&)> ball,
                                        std::function<std::pair<int, int>(const Form&)> velocities, int ticks)
{
    std::vector<DiagonalTurn> out;
    Form form;
    form.tmrBall_Timer();
    std::pair<int, int> previous = velocities(form);
    for (int tick = 2; tick <= ticks; ++tick) {
        form.tmrBall_Timer();
        const std::pair<int, int> v = velocities(form);
        if (v != previous) {
            out.push_back({tick, ball(form).Left, ball(form).Top});
        }
        previous = v;
    }
    return out;
}

void ExpectTurns(const std::vector<DiagonalTurn>& got, const std::vector<DiagonalTurn>& want, const char* name)
{
    for (const DiagonalTurn& w : want) {
        const auto it = std::find_if(got.begin(), got.end(), [&](const DiagonalTurn& g) { return g.tick == w.tick; });
        ASSERT_NE(it, got.end()) << name << " does not turn in tick " << w.tick;
        EXPECT_EQ(it->left, w.left) << name << " tick " << w.tick;
        EXPECT_EQ(it->top, w.top) << name << " tick " << w.tick;
    }
}

TEST(BounceRules, DiagonalBallsZigZagThroughTheirCorridors)
{
    ExpectTurns(
        DiagonalTurns([](const Form& f) -> const Shape& { return f.Balls6; },
                      [](const Form& f) {
                          return std::pair<int, int>{f.VelBalls6X, f.VelBalls6Y};
                      },
                      440),
        {{53, 1800, 3960}, {104, 270, 5490}, {155, 1800, 7020}, {206, 270, 8550}, {217, 600, 8880}, {433, 960, 2400}},
        "Balls6");
    ExpectTurns(
        DiagonalTurns([](const Form& f) -> const Shape& { return f.Balls7; },
                      [](const Form& f) {
                          return std::pair<int, int>{f.VelBalls7X, f.VelBalls7Y};
                      },
                      440),
        {{52, 270, 7350}, {103, 1800, 5820}, {154, 270, 4290}, {205, 1800, 2760}, {217, 1440, 2400}, {433, 1080, 8880}},
        "Balls7");
    ExpectTurns(DiagonalTurns([](const Form& f) -> const Shape& { return f.Balls9; },
                              [](const Form& f) {
                                  return std::pair<int, int>{f.VelBalls9X, f.VelBalls9Y};
                              },
                              300),
                {{48, 1650, 7470}, {95, 3060, 8880}, {283, 8700, 8880}, {289, 8880, 8700}}, "Balls9");
    ExpectTurns(DiagonalTurns([](const Form& f) -> const Shape& { return f.Balls11; },
                              [](const Form& f) {
                                  return std::pair<int, int>{f.VelBalls11X, f.VelBalls11Y};
                              },
                              300),
                {{49, 7440, 8880}, {96, 6030, 7470}, {284, 390, 7470}, {288, 270, 7590}}, "Balls11");
}

RECT Union(const RECT& a, const RECT& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

TEST(BounceRules, EachGroupSweepsExactlyItsArea)
{
    using C = ControlName;
    const std::vector<std::pair<C, RECT>> expected = {
        {C::Balls, {2280, 9840, 8655, 11775}},  {C::Balls1, {2880, 9870, 9255, 11775}},
        {C::Balls2, {9600, 3240, 11575, 9615}}, {C::Balls3, {9560, 2640, 11535, 9015}},
        {C::Balls4, {2160, 1200, 9615, 1695}},  {C::Balls5, {2160, 480, 9615, 2415}},
        {C::Balls6, {240, 2400, 2175, 9255}},   {C::Balls7, {270, 2400, 2175, 9255}},
        {C::Balls8, {1080, 2400, 1455, 9255}},  {C::Balls9, {240, 7470, 9255, 9255}},
        {C::Balls10, {240, 7440, 9255, 7815}},  {C::Balls11, {270, 7440, 9255, 9255}},
        {C::Balls12, {240, 8880, 9255, 9255}},
    };
    Form form;
    std::vector<RECT> swept;
    auto groupRect = [&](C name) {
        if (const ControlGroup* g = form.Group(name)) {
            RECT r = RectOf(g->Item(0));
            for (std::int16_t i = 1; i <= g->UBound(); ++i) {
                r = Union(r, RectOf(g->Item(i)));
            }
            return r;
        }
        return RectOf(*form.Find(name, kSingle));
    };
    for (const auto& e : expected) {
        swept.push_back(groupRect(e.first));
    }
    // Longer than the longest patrol, so every extreme is reached on each axis.
    for (int tick = 1; tick <= 1200; ++tick) {
        form.tmrBall_Timer();
        for (std::size_t g = 0; g < expected.size(); ++g) {
            swept[g] = Union(swept[g], groupRect(expected[g].first));
        }
    }
    for (std::size_t g = 0; g < expected.size(); ++g) {
        EXPECT_EQ(swept[g], expected[g].second) << NameOf(expected[g].first);
    }
}

TEST(BounceRules, ALeaderOnTheBoundTurnsAndATestThatHoldsAgainChangesNothing)
{
    Form form;
    form.tmrBall_Timer();
    EXPECT_EQ(form.VelBallsY, 30);
    form.tmrBall_Timer();
    // Tick 2 puts the row on 9870, exactly the bound: the test fires again and keeps it going down.
    EXPECT_EQ(form.Balls.Item(0).Top, 9870);
    EXPECT_EQ(form.VelBallsY, 30);
    // Climbing back from 11400 it lands on 9870 and turns there in the same tick.
    while (form.VelBallsY == 30) {
        form.tmrBall_Timer();
    }
    EXPECT_EQ(form.Balls.Item(0).Top, 11400);  // it never lands on 11385
    while (form.VelBallsY == -30) {
        form.tmrBall_Timer();
    }
    EXPECT_EQ(form.Balls.Item(0).Top, 9870);
}

TEST(BounceRules, BoundsComeFromTheWallsAsTheyStandNow)
{
    // Moving a bounding wall moves the turning point: the rules read the wall, not a constant.
    Form form;
    form.Wall.Item(3).Left = 10000;  // Balls2 now turns at 10000 - 375
    int turnedAt = 0;
    form.tmrBall_Timer();
    for (int tick = 2; tick < 100 && turnedAt == 0; ++tick) {
        form.tmrBall_Timer();
        if (form.VelBalls2X < 0) {
            turnedAt = static_cast<int>(form.Balls2.Item(0).Left);
        }
    }
    EXPECT_EQ(turnedAt, 9680);  // 9600 + 80k, the first at or past 9625
}

}  // namespace
}  // namespace dravik
