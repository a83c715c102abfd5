#include "sim/script.h"

#include <charconv>
#include <sstream>
#include <string_view>

namespace dravik::sim {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

enum class NumberStatus { Ok, NotANumber, Negative, TooLarge };

// A decimal whole number with an optional sign; nothing else is accepted.
NumberStatus ParseNumber(const std::string& text, std::uint64_t& value)
{
    std::size_t start = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        start = 1;
    }
    if (start == text.size()) {
        return NumberStatus::NotANumber;
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return NumberStatus::NotANumber;
        }
    }
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return negative ? NumberStatus::Negative : NumberStatus::TooLarge;
    }
    if (negative && value != 0) {
        return NumberStatus::Negative;
    }
    return NumberStatus::Ok;
}

std::string Quoted(const std::string& text)
{
    std::string shown = text.size() > 40 ? text.substr(0, 40) + "..." : text;
    std::string out = "\"";
    for (char c : shown) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) {
            static const char* const kHex = "0123456789abcdef";
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Checks one line that has fields; returns an error message or fills the event.
std::optional<std::string> ParseLine(const std::vector<std::string>& f, std::uint64_t previousTick, Event& event)
{
    std::uint64_t tick = 0;
    switch (ParseNumber(f[0], tick)) {
        case NumberStatus::NotANumber: return "tick " + Quoted(f[0]) + " is not a number";
        case NumberStatus::Negative: return "tick " + f[0] + " is below 1";
        case NumberStatus::TooLarge: return "tick " + Quoted(f[0]) + " is too large";
        case NumberStatus::Ok: break;
    }
    if (tick < 1) {
        return "tick " + f[0] + " is below 1";
    }
    if (tick < previousTick) {
        return "tick " + f[0] + " is smaller than the tick " + std::to_string(previousTick) + " of the line before";
    }
    if (f.size() < 2) {
        return "missing event after the tick";
    }
    const std::string& name = f[1];
    event.tick = tick;
    if (name == "down" || name == "up") {
        event.kind = name == "down" ? EventKind::KeyDown : EventKind::KeyUp;
        if (f.size() < 3) {
            return "missing key code after \"" + name + "\"";
        }
        if (f.size() > 3) {
            return "extra argument " + Quoted(f[3]) + " after the key code";
        }
        std::uint64_t code = 0;
        const NumberStatus status = ParseNumber(f[2], code);
        if (status == NumberStatus::NotANumber) {
            return "key code " + Quoted(f[2]) + " is not a number";
        }
        if (status != NumberStatus::Ok || code > 65535) {
            return "key code " + Quoted(f[2]) + " is out of range 0 to 65535";
        }
        event.keyCode = static_cast<std::uint16_t>(code);
        return std::nullopt;
    }
    if (name == "reset" || name == "clock") {
        event.kind = name == "reset" ? EventKind::Reset : EventKind::Clock;
        if (f.size() > 2) {
            return "extra argument " + Quoted(f[2]) + " after \"" + name + "\"";
        }
        return std::nullopt;
    }
    return "unknown event " + Quoted(name) + " (expected down, up, reset or clock)";
}

// The text of a line after `word`, without the blanks around it.
std::string AfterWord(const std::string& line, std::string_view word)
{
    std::size_t start = line.find(word) + word.size();
    while (start < line.size() && IsBlank(line[start])) {
        ++start;
    }
    std::size_t end = line.size();
    while (end > start && IsBlank(line[end - 1])) {
        --end;
    }
    return line.substr(start, end - start);
}

enum class LineRead { Line, TooLong, End };

// The UTF-8 byte order mark that some editors put first in a text file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsComment(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r\v\f");
    return first != std::string::npos && line[first] == '#';
}

// Reads the next line, without its '\n', into `line`. Stops reading a line
// that grows beyond its limit: that is an error, and its fields are never split.
LineRead NextLine(std::streambuf& in, std::string& line)
{
    line.clear();
    for (int c; (c = in.sbumpc()) != std::char_traits<char>::eof();) {
        if (c == '\n') {
            return LineRead::Line;
        }
        if (line.size() == kMaxComment || (line.size() == kMaxLine && !IsComment(line))) {
            return LineRead::TooLong;
        }
        line += static_cast<char>(c);
    }
    return line.empty() ? LineRead::End : LineRead::Line;
}

}  // namespace

Script ParseScript(std::istream& in)
{
    Script script;
    std::string line;
    long number = 0;
    std::uint64_t previousTick = 1;
    std::streambuf* source = in.rdbuf();
    for (LineRead read; source != nullptr && (read = NextLine(*source, line)) != LineRead::End;) {
        ++number;
        if (number == 1 && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());  // an editor's mark, as a browser drops it
        }
        if (read == LineRead::TooLong) {
            const std::size_t limit = IsComment(line) ? kMaxComment : kMaxLine;
            script.error = ScriptError{number, "line is longer than " + std::to_string(limit) + " characters"};
            script.events.clear();
            return script;
        }
        const std::vector<std::string> fields = Fields(line);
        if (!fields.empty() && fields[0] == "#" && fields.size() > 1 && fields[1] == "final") {
            if (script.final) {
                script.error = ScriptError{
                    number, "a second \"# final\" line (the first is line " + std::to_string(script.final->line) + ")"};
                script.events.clear();
                return script;
            }
            script.final = FinalLine{number, AfterWord(line, "final")};
            continue;
        }
        if (fields.empty() || fields[0][0] == '#') {
            continue;
        }
        Event event{};
        std::optional<std::string> message = ParseLine(fields, previousTick, event);
        if (!message && script.events.size() == kMostEvents) {
            message = "more than " + std::to_string(kMostEvents) + " events, the most a script holds";
        }
        if (message) {
            script.error = ScriptError{number, *message};
            script.events.clear();
            return script;
        }
        previousTick = event.tick;
        script.events.push_back(event);
    }
    return script;
}

}  // namespace dravik::sim
