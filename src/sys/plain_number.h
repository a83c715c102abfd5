#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace dravik::sys {

// A whole number written as plain decimal digits: no sign, no blanks, no
// prefix and no leading zero (so "010" is not read as octal or as ten), and
// no more than fits in 64 bits. Anything else gives nothing.
std::optional<std::uint64_t> ReadWhole(std::string_view text);

// A plain decimal fraction such as 30, 2.5 or 0.25: digits with at most one
// point, no sign, exponent, leading zero, NaN or infinity. Gives nothing for
// anything else.
std::optional<double> ReadFixed(std::string_view text);

}  // namespace dravik::sys
