#pragma once

#include <chrono>

namespace dravik {

// The game tick's rate: 64 a second, 15.625 ms, the pace of a classic desktop
// timer asked for 1 ms. Every speed of the level is a distance per tick.
inline constexpr std::chrono::nanoseconds kTickPeriod{15'625'000};
// After a stall, at most this many missed ticks are played at once.
inline constexpr int kMaxCatchUpTicks = 4;
// The clock's timer: one second of TIME.
inline constexpr std::chrono::nanoseconds kClockPeriod{1'000'000'000};

}  // namespace dravik
