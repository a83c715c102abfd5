#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decimal text of floating-point numbers, the same on every build and in every
// locale: the counters read and write their captions with it, the trace its
// coordinates. Numbers are written in their shortest form that reads back to
// the same value (the nearest such when several are as short).
namespace dravik::sys {

enum class DecimalForm {
    Fixed,       // 1500000, 0.25
    Scientific,  // 1.5e+06, 2.5e-01
    Shortest,    // whichever of the two is shorter, Fixed on a tie
};

// The whole text as a finite number: an optional '-', digits with an optional
// '.', an optional exponent. Anything else, a value too large for a double or
// one that would read as zero although its digits are not, gives nothing.
std::optional<double> ReadDecimal(std::string_view text);

std::string WriteDecimal(double value, DecimalForm form);
std::string WriteDecimal(float value, DecimalForm form);

}  // namespace dravik::sys
