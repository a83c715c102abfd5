#include "run/pace.h"

#include <algorithm>
#include <cmath>

#include "game/timers.h"

namespace dravik::run {

Pace::Pace()
    : tickPeriod_(kTickPeriod),
      catchUp_(kMaxCatchUpTicks * kTickPeriod.count()),
      nextTick_(kTickPeriod.count()),
      nextClock_(kClockPeriod.count())
{
}

void Pace::SetRate(double speed, bool clockRuns)
{
    tickPeriod_ = Duration(std::llround(static_cast<double>(kTickPeriod.count()) / speed));
    // Faster than the game's pace, as many more ticks may be caught up.
    const auto most =
        std::max<std::int64_t>(kMaxCatchUpTicks, static_cast<std::int64_t>(std::ceil(kMaxCatchUpTicks * speed)));
    catchUp_ = most * tickPeriod_.count();
    nextTick_ = played_ + tickPeriod_.count();
    if (clockRuns && !clockRuns_) {
        nextClock_ = played_ + kClockPeriod.count();
    }
    clockRuns_ = clockRuns;
}

void Pace::Advance(Duration elapsed)
{
    played_ += std::clamp<std::int64_t>(elapsed.count(), 0, catchUp_);
}

Pace::Beat Pace::Next()
{
    const bool tick = nextTick_ <= played_;
    const bool clock = clockRuns_ && nextClock_ <= played_;
    if (tick && (!clock || nextTick_ <= nextClock_)) {
        lastBeat_ = nextTick_;
        nextTick_ += tickPeriod_.count();
        return Beat::Tick;
    }
    if (clock) {
        lastBeat_ = nextClock_;
        nextClock_ += kClockPeriod.count();
        return Beat::Clock;
    }
    return Beat::None;
}

void Pace::Hold()
{
    const std::int64_t next = clockRuns_ ? std::min(nextTick_, nextClock_) : nextTick_;
    if (next <= played_) {
        played_ = lastBeat_;  // the time since the last beat taken is played again
    }
}

Pace::Duration Pace::UntilNext() const
{
    const std::int64_t next = clockRuns_ ? std::min(nextTick_, nextClock_) : nextTick_;
    return Duration(std::max<std::int64_t>(0, next - played_));
}

}  // namespace dravik::run
