#pragma once

#include <cmath>
#include <cstdint>

#include "level/fatal_error.h"

// The game's arithmetic: 16-bit counters that raise an overflow instead of
// wrapping, single-precision position sums that are checked for faults, and
// rounding to nearest with ties to even.
namespace dravik {

// Throws the fault, out of line: the checks that raise one stay small enough
// for the compiler to inline where they run every tick.
[[noreturn, gnu::cold, gnu::noinline]] inline void RaiseFault(FaultKind kind, const char* what)
{
    throw FatalError(kind, what);
}

// Adds 1 to a 16-bit loop counter; passing 32767 is an overflow.
inline void Increment16(std::int16_t& counter)
{
    if (counter == INT16_MAX) [[unlikely]] {
        RaiseFault(FaultKind::Overflow, "overflow: 16-bit counter passed 32767");
    }
    ++counter;
}

// Rounds to the nearest integer, ties to even (the default rounding mode),
// into 64 bits; NaN and values beyond 64 bits give INT64_MIN, which every
// range check below rejects. Rounding in double and then converting is an
// instruction each in WebAssembly, where llrint is a slow library routine.
inline long long RoundThroughDouble(double value)
{
    constexpr double kTwoTo63 = 9223372036854775808.0;  // -2^63 itself gives INT64_MIN either way
    const double rounded = __builtin_rint(value);
    if (!(std::fabs(rounded) < kTwoTo63)) [[unlikely]] {
        return INT64_MIN;
    }
    return static_cast<long long>(rounded);
}

// The same, as the target does it fastest: on x86 llrint is one instruction
// (the core is built without errno for maths) and gives the same results.
inline long long RoundToNearest(double value)
{
#if defined(__SSE2__)
    return std::llrint(value);
#else
    return RoundThroughDouble(value);
#endif
}

// Rounds to the nearest integer, ties to even, into 32 bits.
inline std::int32_t RoundToInt32(double value)
{
    const long long r = RoundToNearest(value);
    if (r < INT32_MIN || r > INT32_MAX || std::isnan(value)) [[unlikely]] {
        RaiseFault(FaultKind::Overflow, "overflow: value does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(r);
}

// Rounds to the nearest integer, ties to even, into 16 bits.
inline std::int16_t RoundToInt16(double value)
{
    const long long r = RoundToNearest(value);
    if (r < INT16_MIN || r > INT16_MAX || std::isnan(value)) [[unlikely]] {
        RaiseFault(FaultKind::Overflow, "overflow: value does not fit in 16 bits");
    }
    return static_cast<std::int16_t>(r);
}

// A single-precision sum or difference, checked for an invalid operation or
// an overflow (anything that is not a finite number).
inline float CheckedSingle(float sum)
{
    if (!std::isfinite(sum)) [[unlikely]] {
        RaiseFault(FaultKind::FloatFault, "floating-point fault: position out of range");
    }
    return sum;
}

// A position advanced by a 16-bit step, in single precision.
inline float AddStep(float coordinate, std::int16_t step)
{
    return CheckedSingle(coordinate + static_cast<float>(step));
}

}  // namespace dravik
