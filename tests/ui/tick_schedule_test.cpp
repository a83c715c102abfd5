// The game's pace: deadlines on a fixed grid, whatever the timer's lateness.
#include "ui/tick_schedule.h"

#include <gtest/gtest.h>

#include <random>

#include "game/timers.h"

namespace dravik::ui {
namespace {

using namespace std::chrono_literals;
using Clock = TickSchedule::Clock;

TEST(TickSchedule, PlaysSixtyFourTicksASecondWithNoDriftFromLateWakeups)
{
    TickSchedule schedule(kTickPeriod, kMaxCatchUpTicks);
    const Clock::time_point t0{};
    schedule.Restart(t0);
    // Every wakeup comes at the deadline rounded up to a whole millisecond,
    // plus up to 2 ms of jitter: the count still follows the grid.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(0, 2000);
    std::int64_t ticks = 0;
    Clock::time_point now = t0;
    while (now < t0 + 10s) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(schedule.NextDeadline() - now);
        now += wait + std::chrono::microseconds(jitter(random));
        ticks += schedule.TakeDue(now);
    }
    // 640 deadlines lie in 10 s; the last wakeup may run one more.
    EXPECT_GE(ticks, 640);
    EXPECT_LE(ticks, 641);
    EXPECT_EQ(schedule.Dropped(), 0);
    EXPECT_EQ(schedule.NextDeadline() - t0, kTickPeriod * (ticks + 1));
}

TEST(TickSchedule, CatchesUpAtMostFourTicksAfterAStallAndKeepsTheGrid)
{
    TickSchedule schedule(kTickPeriod, kMaxCatchUpTicks);
    const Clock::time_point t0{};
    schedule.Restart(t0);
    EXPECT_EQ(schedule.TakeDue(t0 + 10ms), 0);  // not yet due
    EXPECT_EQ(schedule.TakeDue(t0 + kTickPeriod), 1);
    EXPECT_EQ(schedule.TakeDue(t0 + kTickPeriod), 0);  // taken once only
    // Three periods late: three ticks. Then a 1 s stall: four, the rest dropped.
    EXPECT_EQ(schedule.TakeDue(t0 + 4 * kTickPeriod), 3);
    EXPECT_EQ(schedule.TakeDue(t0 + 4 * kTickPeriod + 1s), 4);
    EXPECT_EQ(schedule.Dropped(), 64 - 4);
    // The next deadline stays on the grid, right after the stall.
    EXPECT_EQ(schedule.NextDeadline(), t0 + 69 * kTickPeriod);
}

TEST(TickSchedule, RestartCountsFromNowWithNoBurst)
{
    TickSchedule schedule(kTickPeriod, kMaxCatchUpTicks);
    const Clock::time_point t0{};
    schedule.Restart(t0);
    EXPECT_EQ(schedule.TakeDue(t0 + kTickPeriod), 1);
    // Held for 5 s (the "YOU WIN" box), then started again.
    const Clock::time_point resumed = t0 + 5s;
    schedule.Restart(resumed);
    EXPECT_EQ(schedule.TakeDue(resumed), 0);
    EXPECT_EQ(schedule.NextDeadline(), resumed + kTickPeriod);
    EXPECT_EQ(schedule.TakeDue(resumed + kTickPeriod), 1);
    EXPECT_EQ(schedule.Dropped(), 0);
}

TEST(TickSchedule, ClockFiresOnceASecond)
{
    TickSchedule clock(kClockPeriod, 1);
    const Clock::time_point t0{};
    clock.Restart(t0);
    EXPECT_EQ(clock.TakeDue(t0 + 999ms), 0);
    EXPECT_EQ(clock.TakeDue(t0 + 1s), 1);
    EXPECT_EQ(clock.TakeDue(t0 + 3500ms), 1);  // a stall counts one second
    EXPECT_EQ(clock.NextDeadline(), t0 + 4s);
}

}  // namespace
}  // namespace dravik::ui
