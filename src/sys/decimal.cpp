#include "sys/decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace dravik::sys {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number as significant digits and the power of ten of the first one:
// digits "15", exponent 3 is 1.5e3. The text handed to the C library never
// has a decimal point, so the locale cannot change what it means.
struct Digits {
    std::string digits;
    long exponent = 0;
};

template <typename T>
T ReadBack(const Digits& d)
{
    const std::string text = d.digits + "e" + std::to_string(d.exponent - static_cast<long>(d.digits.size()) + 1);
    if constexpr (std::is_same_v<T, float>) {
        return std::strtof(text.c_str(), nullptr);
    } else {
        return std::strtod(text.c_str(), nullptr);
    }
}

// The value rounded to `count` significant digits, by the C library, which
// rounds correctly. Whatever the locale puts between the digits is skipped.
Digits Rounded(double magnitude, int count)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", count - 1, magnitude);
    Digits d;
    const char* p = buffer;
    for (; *p != '\0' && *p != 'e'; ++p) {
        if (IsDigit(*p)) {
            d.digits += *p;
        }
    }
    d.exponent = std::strtol(p + 1, nullptr, 10);
    return d;
}

// Adds `step` (+1 or -1) to the last digit; gives false when that would carry
// into, or borrow from, a digit that is not there.
bool StepLastDigit(Digits& d, int step)
{
    const char limit = step > 0 ? '9' : '0';
    for (auto i = d.digits.size(); i-- > 0;) {
        if (d.digits[i] != limit) {
            d.digits[i] = static_cast<char>(d.digits[i] + step);
            return d.digits[0] != '0';
        }
        d.digits[i] = step > 0 ? '0' : '9';
    }
    return false;
}

// The fewest digits that read back as `magnitude` (positive and finite), the
// nearest such when there are several.
template <typename T>
Digits Shortest(T magnitude)
{
    constexpr int kMost = std::numeric_limits<T>::max_digits10;
    for (int count = 1; count < kMost; ++count) {
        Digits nearest = Rounded(magnitude, count);
        if (ReadBack<T>(nearest) == magnitude) {
            return nearest;
        }
        // Next to a power of two the values that read back reach further on
        // one side than the other, so a neighbour of the nearest may do.
        for (int step : {1, -1}) {
            Digits other = nearest;
            if (StepLastDigit(other, step) && ReadBack<T>(other) == magnitude) {
                return other;
            }
        }
    }
    return Rounded(magnitude, kMost);
}

// A whole number is written with all its digits, exactly, rather than as
// its shortest digits padded with zeros.
std::string FixedText(const Digits& d, double magnitude)
{
    const auto count = static_cast<long>(d.digits.size());
    if (d.exponent >= count - 1) {
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
        return buffer;
    }
    if (d.exponent >= 0) {
        const auto whole = static_cast<std::size_t>(d.exponent + 1);
        return d.digits.substr(0, whole) + "." + d.digits.substr(whole);
    }
    return "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
}

std::string ScientificText(const Digits& d)
{
    std::string text = d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        text += "." + d.digits.substr(1);
    }
    const long power = d.exponent < 0 ? -d.exponent : d.exponent;
    text += d.exponent < 0 ? "e-" : "e+";
    text += (power < 10 ? "0" : "") + std::to_string(power);
    return text;
}

template <typename T>
std::string Write(T value, DecimalForm form)
{
    if (std::isnan(value)) {
        return "nan";
    }
    std::string sign = std::signbit(value) ? "-" : "";
    if (std::isinf(value)) {
        return sign + "inf";
    }
    const T magnitude = std::fabs(value);
    const Digits d = magnitude == 0 ? Digits{"0", 0} : Shortest(magnitude);
    switch (form) {
        case DecimalForm::Fixed: return sign + FixedText(d, magnitude);
        case DecimalForm::Scientific: return sign + ScientificText(d);
        case DecimalForm::Shortest: break;
    }
    std::string fixed = FixedText(d, magnitude);
    std::string scientific = ScientificText(d);
    return sign + (scientific.size() < fixed.size() ? scientific : fixed);
}

}  // namespace

std::optional<double> ReadDecimal(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    std::string mantissa = i < n && text[i] == '-' ? "-" : "";
    i += mantissa.size();
    std::size_t digits = 0;
    long fractionDigits = 0;
    bool nonzero = false;
    for (bool fraction = false; i < n; ++i) {
        if (text[i] == '.' && !fraction) {
            fraction = true;
        } else if (IsDigit(text[i])) {
            mantissa += text[i];
            nonzero = nonzero || text[i] != '0';
            ++digits;
            fractionDigits += fraction ? 1 : 0;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < n && text[i] == '-';
        i += i < n && (text[i] == '-' || text[i] == '+') ? 1 : 0;
        if (i == n) {
            return std::nullopt;
        }
        for (; i < n && IsDigit(text[i]); ++i) {
            // Far beyond any double's range either way; saturating keeps it so.
            exponent = std::min(exponent * 10 + (text[i] - '0'), 100'000'000L);
        }
        exponent = negative ? -exponent : exponent;
    }
    if (i != n) {
        return std::nullopt;
    }
    const double value = std::strtod((mantissa + "e" + std::to_string(exponent - fractionDigits)).c_str(), nullptr);
    if (!std::isfinite(value) || (value == 0 && nonzero)) {
        return std::nullopt;
    }
    return value;
}

std::string WriteDecimal(double value, DecimalForm form)
{
    return Write(value, form);
}

std::string WriteDecimal(float value, DecimalForm form)
{
    return Write(value, form);
}

}  // namespace dravik::sys
