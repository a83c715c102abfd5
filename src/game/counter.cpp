#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/form.h"
#include "sys/decimal.h"

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
    const std::optional<double> value =
        sys::ReadDecimal(std::string_view(first, static_cast<std::size_t>(last - first)));
    if (!value) {
        throw FatalError(FaultKind::TypeMismatch, "type mismatch: counter caption \"" + caption + "\" is not a number");
    }
    return *value;
}

// The number as a counter shows it: whole numbers below 10^15 in plain digits
// (100000, never 1e+05), larger ones in the shortest scientific form.
std::string CounterText(double value)
{
    std::string text =
        sys::WriteDecimal(value, std::fabs(value) < 1e15 ? sys::DecimalForm::Fixed : sys::DecimalForm::Scientific);
    for (char& c : text) {
        c = c == 'e' ? 'E' : c;
    }
    return text;
}

// The everyday case, a caption of plain digits: counted without a detour
// through text-to-double and back, with the same result.
bool IncrementDigits(std::string& caption)
{
    if (caption.empty() || caption.size() > 15) {
        return false;
    }
    std::uint64_t value = 0;
    for (char c : caption) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value + 1 >= 1'000'000'000'000'000) {
        return false;  // shown in scientific form
    }
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value + 1);
    caption.assign(buffer, end);
    return true;
}

}  // namespace

void IncrementCounter(Label& counter)
{
    if (IncrementDigits(counter.Caption)) {
        return;
    }
    const double next = CaptionValue(counter.Caption) + 1.0;
    if (!std::isfinite(next)) {
        throw FatalError(FaultKind::Overflow, "overflow: counter caption too large");
    }
    counter.Caption = CounterText(next);
}

}  // namespace dravik
