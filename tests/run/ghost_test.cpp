// The ghost beside a live session: in lockstep with its stretch, starting
// again with each RESET and win, and the gap at each key taken.
#include "run/ghost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "support/subprocess.h"

namespace dravik::run {
namespace {

constexpr std::chrono::nanoseconds kOneTick{15'625'000};

Script WinningRun()
{
    std::istringstream in(support::ReadFile(DRAVIK_TEST_DATA "/winning-run.txt"));
    return ParseScript(in);
}

// The live player plays the ghost's own run: the ghost stands on the live
// square at every tick, each key is taken at the ghost's tick (gap 0), and
// the win starts it again from the start point. A RESET does the same.
TEST(GhostTest, KeepsInStepWithTheLiveStretch)
{
    const Script run = WinningRun();
    std::string error;
    std::optional<Ghost> ghost = Ghost::Of(run, error);
    ASSERT_TRUE(ghost) << error;
    EXPECT_EQ(ghost->WinTicks(), 2492U);

    Session live(Session::Log::None);
    live.Play(run.events);
    int gaps = 0;
    int keys = 0;
    while (true) {
        const Played played = live.Advance(kOneTick);
        for (const Gap& gap : ghost->Follow(live, played)) {
            EXPECT_EQ(gap.ticks, 0) << "key " << gap.keys;
            EXPECT_GT(gap.keys, keys);
            keys = gap.keys;
            ++gaps;
        }
        if (played.win) {
            break;
        }
        ASSERT_TRUE(ghost->Shown());
        ASSERT_EQ(ghost->Left(), live.Game().Square.Left) << "tick " << live.Ticks();
        ASSERT_EQ(ghost->Top(), live.Game().Square.Top) << "tick " << live.Ticks();
    }
    EXPECT_EQ(live.Ticks(), 2492U);
    EXPECT_EQ(keys, 155);
    EXPECT_GT(gaps, 50);
    // The win: both start again.
    EXPECT_TRUE(ghost->Shown());
    EXPECT_EQ(ghost->Left(), kStartLeft);
    EXPECT_EQ(ghost->Top(), kStartTop);

    // Standing still for a while: the ghost walks on alone; after a RESET it
    // is back at the start and walks its run's first ticks again.
    Session idle(Session::Log::None);
    std::optional<Ghost> fresh = Ghost::Of(run, error);
    for (int t = 0; t < 30; ++t) {
        fresh->Follow(idle, idle.Advance(kOneTick));
    }
    Session reference(Session::Log::None);
    std::optional<Ghost> alongside = Ghost::Of(run, error);
    for (int t = 0; t < 10; ++t) {
        alongside->Follow(reference, reference.Advance(kOneTick));
    }
    EXPECT_NE(fresh->Top(), alongside->Top());
    idle.Reset();
    fresh->Follow(idle);
    EXPECT_EQ(fresh->Left(), kStartLeft);
    EXPECT_EQ(fresh->Top(), kStartTop);
    for (int t = 0; t < 10; ++t) {
        fresh->Follow(idle, idle.Advance(kOneTick));
    }
    EXPECT_EQ(fresh->Left(), alongside->Left());
    EXPECT_EQ(fresh->Top(), alongside->Top());

    std::istringstream noWin("1 down 38\n20 up 38\n");
    EXPECT_FALSE(Ghost::Of(ParseScript(noWin), error));
    EXPECT_EQ(error, "no win to race: the run ends at tick 20 without entering the goal");
}

TEST(GhostTest, GapsAreSecondsToTheHundredth)
{
    EXPECT_EQ(GapText(27), "+0.42 s");  // 0.421875 s
    EXPECT_EQ(GapText(-64), "-1.00 s");
    EXPECT_EQ(GapText(0), "+0.00 s");
    EXPECT_EQ(GapText(1), "+0.02 s");  // 0.015625 s
    EXPECT_EQ(GapText(-6400), "-100.00 s");
}

}  // namespace
}  // namespace dravik::run
