// The pace of the game's two timers: 64 ticks and one second of the clock to
// every second of play, however late each wake-up comes, and a stall dropped
// for both alike.
#include "run/pace.h"

#include <gtest/gtest.h>

#include <random>

#include "game/timers.h"

namespace dravik::run {
namespace {

using namespace std::chrono_literals;

struct Count {
    int ticks = 0, clocks = 0;
    int ticksAtLastClock = 0;
};

void Take(Pace& pace, Count& count)
{
    for (Pace::Beat beat; (beat = pace.Next()) != Pace::Beat::None;) {
        if (beat == Pace::Beat::Tick) {
            ++count.ticks;
        } else {
            ++count.clocks;
            count.ticksAtLastClock = count.ticks;
        }
    }
}

TEST(Pace, SixtyFourTicksToEachSecondWhateverTheWakeUps)
{
    Pace pace;
    Count count;
    // Each wake-up comes when the pace asks, rounded up to a millisecond,
    // plus up to 2 ms of jitter: the count still follows the game's grid.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(0, 2000);
    std::chrono::nanoseconds now{0};
    while (now < 10s) {
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(pace.UntilNext()) + std::chrono::microseconds(jitter(random));
        now += wait;
        pace.Advance(wait);
        Take(pace, count);
    }
    EXPECT_GE(count.ticks, 640);
    EXPECT_LE(count.ticks, 641);
    EXPECT_EQ(count.clocks, 10);
    EXPECT_EQ(count.ticksAtLastClock, 640);  // the second falls between ticks 640 and 641
}

// A 3 s stall: four ticks caught up and the rest dropped, for the clock too,
// so TIME and the ticks stay in step; a held game resumes where it stood.
TEST(Pace, DropsAStallForTheTickAndTheClockAlikeAndHoldsWithNoBurst)
{
    Pace pace;
    Count count;
    pace.Advance(kTickPeriod * 60);
    Take(pace, count);
    EXPECT_EQ(count.ticks, 4);  // a stall already: at most four
    pace.Advance(kTickPeriod * 3);
    Take(pace, count);
    EXPECT_EQ(count.ticks, 7);
    pace.Advance(3s);
    Take(pace, count);
    EXPECT_EQ(count.ticks, 11);
    EXPECT_EQ(count.clocks, 0);
    for (int i = 0; i < 53; ++i) {
        pace.Advance(kTickPeriod);
        Take(pace, count);
    }
    EXPECT_EQ(count.ticks, 64);
    EXPECT_EQ(count.clocks, 1);
    EXPECT_EQ(count.ticksAtLastClock, 64);

    // Three ticks due, one taken, then held: the other two come at their times.
    pace.Advance(kTickPeriod * 3);
    EXPECT_EQ(pace.Next(), Pace::Beat::Tick);
    pace.Hold();
    EXPECT_EQ(pace.Next(), Pace::Beat::None);
    EXPECT_EQ(pace.UntilNext(), kTickPeriod);

    // A watched run at 4 times the pace, with no clock of the pace's own.
    pace.SetRate(4, false);
    count = {};
    for (int i = 0; i < 64; ++i) {
        pace.Advance(kTickPeriod);
        Take(pace, count);
    }
    EXPECT_EQ(count.ticks, 256);
    EXPECT_EQ(count.clocks, 0);
}

}  // namespace
}  // namespace dravik::run
