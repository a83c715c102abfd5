#pragma once

#include <cstdint>

namespace dravik::sys {

// One step of SplitMix64: moves the state on and returns a well-mixed 64-bit
// number. The same sequence on every compiler and library, so a seed always
// names the same run; one step from a copy of a value also serves as its hash.
constexpr std::uint64_t SplitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace dravik::sys
