#pragma once

#include <cstddef>
#include <cstdint>

namespace dravik::run {

// The longest run, in ticks: a little over 18 days of play at 64 ticks a
// second. A recording ends there, and a run that goes on longer is refused,
// so that a file cannot keep a program busy for years.
inline constexpr std::uint64_t kLongestRun = 100'000'000;

// The most events a run holds (some 160 MB in memory): more is hostile, an
// endless stream among them. A recording ends before it would hold more.
inline constexpr std::size_t kMostEvents = 10'000'000;

// The longest event line: the longest event is under 40 characters, so a
// longer line is hostile and is not read. Comments may be longer (a recorded
// run's final state line is a few KB), up to kMaxComment.
inline constexpr std::size_t kMaxLine = 1024;
inline constexpr std::size_t kMaxComment = 65536;

// A recording notes a hash of the state after every this many ticks (ten
// seconds of play), so that a run that goes astray shows where.
inline constexpr std::uint64_t kHashEvery = 640;

}  // namespace dravik::run
