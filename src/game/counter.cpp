#include <charconv>
#include <cmath>
#include <string>

#include "game/form.h"

namespace dravik {

namespace {

// The caption read as a number. Blanks around the digits are allowed; anything
// else that is not a number is a type mismatch.
double CaptionValue(const std::string& caption)
{
    const char* first = caption.data();
    const char* last = caption.data() + caption.size();
    while (first < last && *first == ' ') {
        ++first;
    }
    while (last > first && last[-1] == ' ') {
        --last;
    }
    if (first < last && *first == '+') {
        ++first;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last || !std::isfinite(value)) {
        throw FatalError(FaultKind::TypeMismatch, "type mismatch: counter caption \"" + caption + "\" is not a number");
    }
    return value;
}

// The shortest text that reads back as the same number: 42, not 42.0.
std::string ShortestText(double value)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

}  // namespace

void IncrementCounter(Label& counter)
{
    const double next = CaptionValue(counter.Caption) + 1.0;
    if (!std::isfinite(next)) {
        throw FatalError(FaultKind::Overflow, "overflow: counter caption too large");
    }
    counter.Caption = ShortestText(next);
}

}  // namespace dravik
