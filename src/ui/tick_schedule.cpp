#include "ui/tick_schedule.h"

#include <algorithm>

namespace dravik::ui {

TickSchedule::TickSchedule(std::chrono::nanoseconds period, int maxCatchUp)
    : period_(period), maxCatchUp_(std::max(1, maxCatchUp))
{
}

void TickSchedule::Restart(Clock::time_point now)
{
    start_ = now;
    next_ = 1;
}

int TickSchedule::TakeDue(Clock::time_point now)
{
    if (now < NextDeadline()) {
        return 0;
    }
    // Every deadline from next_ up to the last one at or before now is due.
    const std::int64_t last = (now - start_) / period_;
    const std::int64_t due = last - next_ + 1;
    next_ = last + 1;
    const std::int64_t run = std::min<std::int64_t>(due, maxCatchUp_);
    dropped_ += due - run;
    return static_cast<int>(run);
}

}  // namespace dravik::ui
