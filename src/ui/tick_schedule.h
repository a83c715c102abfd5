#pragma once

#include <chrono>
#include <cstdint>

namespace dravik::ui {

// The deadlines of a timer that fires at a fixed rate: t0 + k × period, with
// no drift however late each firing comes. After a stall it catches up at
// most a few firings and drops the rest, so play resumes at the same pace
// instead of racing through the missed time.
class TickSchedule {
public:
    using Clock = std::chrono::steady_clock;

    TickSchedule(std::chrono::nanoseconds period, int maxCatchUp);

    // Starts counting afresh: the first deadline is one period after now.
    void Restart(Clock::time_point now);

    // The number of firings due at `now`, at most maxCatchUp; the deadlines
    // beyond that are dropped. Moves on past every deadline up to now.
    int TakeDue(Clock::time_point now);

    Clock::time_point NextDeadline() const { return start_ + period_ * next_; }

    // Deadlines dropped since construction.
    std::int64_t Dropped() const { return dropped_; }

private:
    std::chrono::nanoseconds period_;
    int maxCatchUp_;
    Clock::time_point start_{};
    std::int64_t next_ = 1;  // index of the next deadline not yet taken
    std::int64_t dropped_ = 0;
};

}  // namespace dravik::ui
