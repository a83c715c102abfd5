// The patrols of the moving balls: where and when each leader turns, and the
// area its group sweeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "game/form.h"
#include "game/patrols.h"
#include "game/rect.h"

namespace dravik {
namespace {

// Where and when one velocity of a patrol first turns, in the order of the
// patrols and their axes: the first two turns and the period after which the
// first comes again.
struct Turns {
    float firstTurn;
    int firstTick;
    float secondTurn;
    int secondTick;
    int period;
};

constexpr std::array<Turns, 17> kTurns = {{
    {11400, 53, 9870, 104, 102},  // VelBallsY
    {9870, 52, 11400, 103, 102},  // VelBalls1Y
    {11200, 21, 9600, 41, 40},    // VelBalls2X
    {9560, 21, 11160, 41, 40},    // VelBalls3X
    {2160, 175, 9120, 349, 348},  // VelBalls4X
    {9120, 117, 2160, 233, 232},  // VelBalls5X
    {1800, 53, 270, 104, 102},    // VelBalls6X
    {8880, 217, 2400, 433, 432},  // VelBalls6Y
    {270, 52, 1800, 103, 102},    // VelBalls7X
    {2400, 217, 8880, 433, 432},  // VelBalls7Y
    {8880, 217, 2400, 433, 432},  // VelBalls8Y
    {8880, 289, 270, 576, 574},   // VelBalls9X
    {7470, 48, 8880, 95, 94},     // VelBalls9Y
    {240, 109, 8880, 217, 216},   // VelBalls10X
    {270, 288, 8880, 575, 574},   // VelBalls11X
    {8880, 49, 7470, 96, 94},     // VelBalls11Y
    {8880, 109, 240, 217, 216},   // VelBalls12X
}};

// Every velocity of every patrol, with its patrol.
struct Axis {
    const Patrol* patrol;
    const PatrolAxis* axis;
    std::int16_t velocity(const Form& f) const { return f.*axis->velocity; }
    float coordinate(const Form& f) const { return Position(Leader(f, *patrol), axis->axis); }
};

std::vector<Axis> Axes()
{
    std::vector<Axis> out;
    for (const Patrol& patrol : kPatrols) {
        for (const PatrolAxis& axis : patrol.Axes()) {
            out.push_back({&patrol, &axis});
        }
    }
    return out;
}

struct Turn {
    int tick;
    float at;
};

TEST(BounceRules, EveryLeaderTurnsWhereAndWhenItsPatrolSays)
{
    const std::vector<Axis> axes = Axes();
    ASSERT_EQ(axes.size(), kTurns.size());
    std::vector<std::vector<Turn>> turns(axes.size());
    std::vector<std::int16_t> previous(axes.size(), 0);
    Form form;
    form.tmrBall_Timer();
    for (std::size_t a = 0; a < axes.size(); ++a) {
        previous[a] = axes[a].velocity(form);
        EXPECT_EQ(std::abs(previous[a]), axes[a].axis->speed) << axes[a].axis->name << " after tick 1";
    }
    for (int tick = 2; tick <= 1300; ++tick) {
        form.tmrBall_Timer();
        for (std::size_t a = 0; a < axes.size(); ++a) {
            const std::int16_t v = axes[a].velocity(form);
            ASSERT_TRUE(v == axes[a].axis->speed || v == -axes[a].axis->speed)
                << axes[a].axis->name << " tick " << tick;
            if (v != previous[a]) {
                turns[a].push_back({tick, axes[a].coordinate(form)});
            }
            previous[a] = v;
        }
    }
    for (std::size_t a = 0; a < axes.size(); ++a) {
        const Turns& x = kTurns[a];
        const std::string_view name = axes[a].axis->name;
        ASSERT_GE(turns[a].size(), 3U) << name;
        EXPECT_EQ(turns[a][0].tick, x.firstTick) << name;
        EXPECT_EQ(turns[a][0].at, x.firstTurn) << name;
        EXPECT_EQ(turns[a][1].tick, x.secondTick) << name;
        EXPECT_EQ(turns[a][1].at, x.secondTurn) << name;
        EXPECT_EQ(turns[a][2].tick, x.firstTick + x.period) << name;
        EXPECT_EQ(turns[a][2].at, x.firstTurn) << name;
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
    for (const Patrol& patrol : kPatrols) {
        swept.push_back(groupRect(patrol.group));
    }
    // Longer than the longest patrol, so every extreme is reached on each axis.
    for (int tick = 1; tick <= 1200; ++tick) {
        form.tmrBall_Timer();
        for (std::size_t g = 0; g < kPatrols.size(); ++g) {
            swept[g] = Union(swept[g], groupRect(kPatrols[g].group));
        }
    }
    for (std::size_t g = 0; g < kPatrols.size(); ++g) {
        EXPECT_EQ(swept[g], kPatrols[g].swept) << NameOf(kPatrols[g].group);
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
