#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace dravik::ui {

// Wakes the window when the game's next beat falls due: a precise
// single-shot timer, each time armed anew for what the session says, which
// hands on the real time that passed since the last wake-up. Held, it hands
// on nothing: the time the game holds is not played.
class BeatTimer {
public:
    using Duration = std::chrono::nanoseconds;
    explicit BeatTimer(std::function<void(Duration elapsed)> beat);
    BeatTimer(const BeatTimer&) = delete;
    BeatTimer& operator=(const BeatTimer&) = delete;

    // Counts from now and wakes after `wait`.
    void Start(Duration wait);
    // Wakes next after `wait` (rounded up to the timer's whole milliseconds).
    void Arm(Duration wait);
    void Hold();
    bool IsHeld() const { return held_; }

private:
    using Clock = std::chrono::steady_clock;
    void Wake();

    QTimer timer_;
    std::function<void(Duration)> beat_;
    Clock::time_point last_{};
    bool held_ = true;
};

}  // namespace dravik::ui
