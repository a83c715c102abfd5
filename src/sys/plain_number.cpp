#include "sys/plain_number.h"

#include <algorithm>
#include <charconv>

#include "sys/decimal.h"

namespace dravik::sys {

namespace {

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The whole part of a number: "0" or digits that do not start with 0.
bool PlainWholePart(std::string_view text)
{
    return AllDigits(text) && (text.size() == 1 || text[0] != '0');
}

}  // namespace

std::optional<std::uint64_t> ReadWhole(std::string_view text)
{
    if (!PlainWholePart(text)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadFixed(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    if (!PlainWholePart(whole) || (point != std::string_view::npos && !AllDigits(text.substr(point + 1)))) {
        return std::nullopt;
    }
    return ReadDecimal(text);  // the game's own reading, the same on every build
}

}  // namespace dravik::sys
