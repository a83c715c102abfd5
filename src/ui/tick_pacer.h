#pragma once

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>

#include "ui/tick_schedule.h"

namespace dravik::ui {

// Calls a handler at a fixed rate, on the window's event thread: a precise
// single-shot timer re-armed for each next deadline of a TickSchedule, so the
// rate holds exactly over minutes whatever the display does.
class TickPacer {
public:
    TickPacer(std::chrono::nanoseconds period, int maxCatchUp, std::function<void()> fire);
    TickPacer(const TickPacer&) = delete;
    TickPacer& operator=(const TickPacer&) = delete;

    // Starts firing, counting the deadlines afresh from now: no burst of the
    // firings missed while held.
    void Start();

    // Fires at another rate from now on; a running pacer starts afresh.
    void SetRate(std::chrono::nanoseconds period, int maxCatchUp);

    // Stops firing until the next Start. Safe to call from inside the handler;
    // the firings still due in that round are dropped.
    void Hold();

    bool IsHeld() const { return held_; }

    const TickSchedule& Schedule() const { return schedule_; }

private:
    void OnTimeout();
    void Arm();

    QTimer timer_;
    TickSchedule schedule_;
    std::function<void()> fire_;
    std::uint64_t epoch_ = 0;  // changes on every Start and Hold
    bool held_ = true;
};

}  // namespace dravik::ui
