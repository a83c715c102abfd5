#include "ui/beat_timer.h"

#include <algorithm>

namespace dravik::ui {

BeatTimer::BeatTimer(std::function<void(Duration)> beat) : beat_(std::move(beat))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Wake(); });
}

void BeatTimer::Start(Duration wait)
{
    held_ = false;
    last_ = Clock::now();
    Arm(wait);
}

void BeatTimer::Arm(Duration wait)
{
    if (held_) {
        return;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
    timer_.start(static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(ms.count(), 0, 1000)));
}

void BeatTimer::Hold()
{
    held_ = true;
    timer_.stop();
}

void BeatTimer::Wake()
{
    if (held_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    const Duration elapsed = now - last_;
    last_ = now;
    beat_(elapsed);
}

}  // namespace dravik::ui
