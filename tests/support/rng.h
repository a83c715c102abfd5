#pragma once

#include <cstdint>

#include "sys/splitmix64.h"

namespace dravik::props {

// A small pseudo-random generator (SplitMix64) whose sequence is the same on
// every compiler and library, so a seed always names the same run.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() { return sys::SplitMix64(state_); }

    // A whole number in [0, bound); bound must be positive.
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

    // A whole number in [low, high].
    std::int64_t Between(std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low) + 1));
    }

    // True with probability numerator / denominator.
    bool Chance(std::uint64_t numerator, std::uint64_t denominator) { return Below(denominator) < numerator; }

private:
    std::uint64_t state_;
};

}  // namespace dravik::props
