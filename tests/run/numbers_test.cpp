// Numbers as text: the one reader of the numbers a person types (options,
// run files, links), and the game's decimal text against the standard
// library's own conversions, where the native library has them: the
// WebAssembly build must print the same.
#include "game/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "sys/decimal.h"
#include "sys/plain_number.h"

namespace dravik::sys {
namespace {

template <typename T>
std::string Standard(T value, std::chars_format format)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}

template <typename T>
std::string Standard(T value)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Plain decimal digits only: what one program takes, every program takes.
TEST(PlainNumber, TakesDigitsOnlyWithNoSignPrefixOrLeadingZero)
{
    EXPECT_EQ(ReadWhole("0"), 0U);
    EXPECT_EQ(ReadWhole("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(ReadFixed("2.5"), 2.5);
    EXPECT_EQ(ReadFixed("0.25"), 0.25);
    EXPECT_EQ(ReadFixed("64"), 64.0);
    for (const char* bad : {"", "010", "+5", "-1", "0x10", "0b11", " 5", "5 ", "1e3", "18446744073709551616", "5."}) {
        EXPECT_FALSE(ReadWhole(bad)) << bad;
    }
    for (const char* bad : {"", "01", "+2", "-0.5", "0x10", "2.5.1", ".5", "1e1", "nan", "inf", " 1", "1,5"}) {
        EXPECT_FALSE(ReadFixed(bad)) << bad;
    }
}

TEST(Decimal, WritesTheShortestTextAsTheStandardLibraryDoes)
{
    std::mt19937_64 random(20260415);
    std::vector<double> doubles = {
        0.0, -0.0, 0.1, 1.5, 1e15, 1e15 + 1, 999999999999999.0, 5e-324, 1.7976931348623157e308};
    for (int e = -1074; e <= 1023; ++e) {
        doubles.push_back(std::ldexp(1.0, e));  // a power of two: a lopsided interval
    }
    for (int i = 0; i < 4000; ++i) {
        doubles.push_back(std::bit_cast<double>(random()));
        doubles.push_back(static_cast<double>(random() >> (random() % 64)) + 1.0);  // counters far along
    }
    for (double v : doubles) {
        if (!std::isfinite(v)) {
            continue;
        }
        if (std::fabs(v) < 1e15) {
            ASSERT_EQ(WriteDecimal(v, DecimalForm::Fixed), Standard(v, std::chars_format::fixed)) << v;
        }
        ASSERT_EQ(WriteDecimal(v, DecimalForm::Scientific), Standard(v, std::chars_format::scientific)) << v;
    }

    std::vector<float> floats = {0.5F, 0.1F, -30.25F, 1e15F, 3.4028235e38F};
    for (int e = -149; e <= 127; ++e) {
        floats.push_back(std::ldexp(1.0F, e));
    }
    for (int i = 0; i < 4000; ++i) {
        floats.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    }
    for (float v : floats) {
        if (std::isfinite(v)) {
            ASSERT_EQ(WriteDecimal(v, DecimalForm::Shortest), Standard(v)) << v;
        }
    }
}

TEST(Decimal, ReadsWhatTheStandardLibraryReadsAndRoundsAsLlrint)
{
    std::mt19937_64 random(7);
    const std::string alphabet = "0123456789.eE+-";
    std::vector<std::string> texts = {
        "1e-400", "1e-310", "2e-324", "3e-324", "1e400", "0e-999999999999", "1e",
        "1e+",    ".5",     "5.",     ".",      "-.5e1", "00012",           "1.7976931348623159e308"};
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (auto length = 1 + random() % 12; length-- > 0;) {
            text += alphabet[random() % (random() % 4 == 0 ? alphabet.size() : 10)];
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        double expected = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
        const bool valid = ec == std::errc() && end == text.data() + text.size() && std::isfinite(expected);
        const std::optional<double> read = ReadDecimal(text);
        ASSERT_EQ(read.has_value(), valid) << text;
        if (valid) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(*read), std::bit_cast<std::uint64_t>(expected)) << text;
        }
    }

    // Rounding as WebAssembly does it agrees with llrint, out-of-range values included.
    for (int i = 0; i < 200000; ++i) {
        const double halves = static_cast<double>(static_cast<std::int64_t>(random()) >> (random() % 64)) / 2;
        for (double v : {halves, std::bit_cast<double>(random())}) {
            ASSERT_EQ(RoundThroughDouble(v), std::llrint(v)) << v;
        }
    }
}

}  // namespace
}  // namespace dravik::sys
