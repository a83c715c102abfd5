#pragma once

#include <chrono>
#include <cstdint>

namespace dravik::run {

// The game's two timers on one clock of played time: the tick 64 times a
// second (or that times a watched run's speed) and the clock once a second.
// The front end says how much real time has passed; the pace says which
// beats have come, in the order they came. It reads no clock of its own.
//
// After a stall (the process stopped, the machine busy) at most the
// catch-up's worth of time is played: four ticks' worth, 62.5 ms at the
// game's pace; the rest of the stall is dropped for the tick and the clock
// alike, as if the game had been paused. So TIME and the ticks stay in step,
// 64 ticks to a second of play, and two seconds of the clock never come
// closer than a second of play apart.
class Pace {
public:
    using Duration = std::chrono::nanoseconds;
    enum class Beat : std::uint8_t { None, Tick, Clock };

    Pace();

    // Ticks at `speed` times the game's rate from now, the next tick one
    // period away. The clock counts only while `clockRuns` (not while a
    // watched run's own clock events count TIME); switched on, it starts a
    // fresh second.
    void SetRate(double speed, bool clockRuns);

    // Real time that has passed, as the front end's clock tells.
    void Advance(Duration elapsed);

    // The next beat whose time has come, earliest first (the tick first when
    // both fall on one instant); None when nothing more is due.
    Beat Next();

    // The game holds (the win box, a pause) with beats still due: they are
    // put back to come at their times once the front end goes on, so the
    // tick and the second under way resume where they stood, with no burst.
    void Hold();

    // Real time from now until the next beat falls due; zero when one is due.
    Duration UntilNext() const;

    Duration TickPeriod() const { return tickPeriod_; }
    bool ClockRuns() const { return clockRuns_; }

private:
    Duration tickPeriod_;
    std::int64_t catchUp_;  // the most time one Advance plays, in nanoseconds
    bool clockRuns_ = true;
    std::int64_t played_ = 0;     // nanoseconds of play since the start
    std::int64_t lastBeat_ = 0;   // when the last beat taken fell due
    std::int64_t nextTick_ = 0;   // when the next tick falls due
    std::int64_t nextClock_ = 0;  // when the next second of the clock falls due
};

}  // namespace dravik::run
