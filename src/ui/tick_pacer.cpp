#include "ui/tick_pacer.h"

#include <algorithm>

namespace dravik::ui {

TickPacer::TickPacer(std::chrono::nanoseconds period, int maxCatchUp, std::function<void()> fire)
    : schedule_(period, maxCatchUp), fire_(std::move(fire))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnTimeout(); });
}

void TickPacer::Start()
{
    ++epoch_;
    held_ = false;
    schedule_.Restart(TickSchedule::Clock::now());
    Arm();
}

void TickPacer::SetRate(std::chrono::nanoseconds period, int maxCatchUp)
{
    schedule_ = TickSchedule(period, maxCatchUp);
    if (!held_) {
        Start();
    }
}

void TickPacer::Hold()
{
    ++epoch_;
    held_ = true;
    timer_.stop();
}

void TickPacer::OnTimeout()
{
    if (held_) {
        return;
    }
    const std::uint64_t epoch = epoch_;
    const int due = schedule_.TakeDue(TickSchedule::Clock::now());
    for (int i = 0; i < due; ++i) {
        fire_();
        if (epoch_ != epoch) {
            return;  // held or restarted by the handler; that call re-armed
        }
    }
    Arm();
}

// Wakes at the next deadline, rounded up to the timer's whole milliseconds.
void TickPacer::Arm()
{
    const auto wait = schedule_.NextDeadline() - TickSchedule::Clock::now();
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
    timer_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, ms.count())));
}

}  // namespace dravik::ui
