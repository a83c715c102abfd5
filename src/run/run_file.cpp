#include "run/run_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "run/limits.h"
#include "sys/fd_buffer.h"
#include "sys/plain_number.h"

namespace dravik::run {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
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

std::string Quoted(std::string_view text)
{
    std::string shown(text.substr(0, 40));
    if (text.size() > 40) {
        shown += "...";
    }
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

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number of the script, read as every program reads one (sys::ReadWhole);
// nothing, with what is wrong with it in `why`, for anything else. `what`
// names it: "tick", "key code".
std::optional<std::uint64_t> Number(std::string_view text, std::string_view what, std::string& why)
{
    if (const std::optional<std::uint64_t> value = sys::ReadWhole(text)) {
        return value;
    }
    const std::string name(what);
    if (text.size() > 1 && text[0] == '-' && AllDigits(text.substr(1))) {
        why = name + " " + std::string(text) + " is negative";
    } else if (!AllDigits(text.substr(text[0] == '+' ? 1 : 0))) {
        why = name + " " + Quoted(text) + " is not a number";
    } else if (text[0] == '+' || (text.size() > 1 && text[0] == '0')) {
        why = name + " " + Quoted(text) + " is not plain: digits only, with no sign and no leading zero";
    } else {
        why = name + " " + Quoted(text) + " is too large";
    }
    return std::nullopt;
}

// Checks one event line; returns what is wrong with it, or fills the event.
std::optional<std::string> ParseEvent(const std::vector<std::string_view>& f, std::uint64_t previousTick, Event& event)
{
    std::string why;
    const std::optional<std::uint64_t> tick = Number(f[0], "tick", why);
    if (!tick) {
        return why.ends_with("is negative") ? "tick " + std::string(f[0]) + " is below 1" : why;
    }
    if (*tick < 1) {
        return "tick " + std::string(f[0]) + " is below 1";
    }
    if (*tick < previousTick) {
        return "tick " + std::string(f[0]) + " is smaller than the tick " + std::to_string(previousTick) +
               " of the line before";
    }
    if (f.size() < 2) {
        return "missing event after the tick";
    }
    const std::string name(f[1]);
    event.tick = *tick;
    if (name == "down" || name == "up") {
        event.kind = name == "down" ? EventKind::KeyDown : EventKind::KeyUp;
        if (f.size() < 3) {
            return "missing key code after \"" + name + "\"";
        }
        if (f.size() > 3) {
            return "extra argument " + Quoted(f[3]) + " after the key code";
        }
        const std::optional<std::uint64_t> code = Number(f[2], "key code", why);
        if (!code && !why.ends_with("is negative") && !why.ends_with("is too large")) {
            return why;
        }
        if (!code || *code > 65535) {
            return "key code " + Quoted(f[2]) + " is out of range 0 to 65535";
        }
        event.keyCode = static_cast<std::uint16_t>(*code);
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

// "# hash <tick> <16 hex digits>": fills `hash` or says what is wrong.
std::optional<std::string> ParseHash(const std::vector<std::string_view>& f, std::uint64_t previous, StateHash& hash)
{
    const std::string form = "a \"# hash\" line is \"# hash <tick> <16 hex digits>\"";
    if (f.size() != 4 || f[3].size() != 16) {
        return form;
    }
    std::string why;
    const std::optional<std::uint64_t> tick = Number(f[2], "the hash's tick", why);
    if (!tick) {
        return why;
    }
    if (*tick == 0) {
        return "the hash's tick 0 is below 1";
    }
    if (*tick <= previous) {
        return "the hash's tick " + std::to_string(*tick) + " does not come after the tick " +
               std::to_string(previous) + " of the hash before";
    }
    std::uint64_t value = 0;
    for (char c : f[3]) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) {
            return form + " (lower-case hex digits)";
        }
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    hash.tick = *tick;
    hash.hash = value;
    return std::nullopt;
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

bool IsComment(std::string_view line)
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

// Skips blanks and reads a JSON string's text (no escapes needed for keys).
// Gives the position after the top-level value that starts at `i`, or npos.
std::size_t SkipValue(std::string_view s, std::size_t i)
{
    int depth = 0;
    bool inString = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
                if (depth == 0) {
                    return i + 1;
                }
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) {
                return i;
            }
            if (--depth == 0) {
                return i + 1;
            }
        } else if (depth == 0 && (c == ',' || IsBlank(c))) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::size_t SkipBlanks(std::string_view s, std::size_t i)
{
    while (i < s.size() && (IsBlank(s[i]) || s[i] == '\n')) {
        ++i;
    }
    return i;
}

// The text of a JSON object's top-level member `name` (a number, say), or
// nothing when the text is no object or has no such member.
std::optional<std::string_view> TopLevelMember(std::string_view s, std::string_view name)
{
    std::size_t i = SkipBlanks(s, 0);
    if (i >= s.size() || s[i] != '{') {
        return std::nullopt;
    }
    ++i;
    while (true) {
        i = SkipBlanks(s, i);
        if (i >= s.size() || s[i] != '"') {
            return std::nullopt;
        }
        const std::size_t keyEnd = s.find('"', i + 1);
        if (keyEnd == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = s.substr(i + 1, keyEnd - i - 1);
        i = SkipBlanks(s, keyEnd + 1);
        if (i >= s.size() || s[i] != ':') {
            return std::nullopt;
        }
        i = SkipBlanks(s, i + 1);
        const std::size_t end = SkipValue(s, i);
        if (end == std::string_view::npos || end == i) {
            return std::nullopt;
        }
        if (key == name) {
            return s.substr(i, end - i);
        }
        i = SkipBlanks(s, end);
        if (i >= s.size() || s[i] != ',') {
            return std::nullopt;
        }
        ++i;
    }
}

}  // namespace

Script ParseScript(std::istream& in)
{
    Script script;
    std::string line;
    long number = 0;
    std::uint64_t previousTick = 1;
    std::streambuf* source = in.rdbuf();
    const auto fail = [&script, &number](std::string message) {
        script.error = ScriptError{number, std::move(message)};
        script.events.clear();
        script.hashes.clear();
        return script;
    };
    for (LineRead read; source != nullptr && (read = NextLine(*source, line)) != LineRead::End;) {
        ++number;
        if (number == 1 && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());  // an editor's mark, as a browser drops it
        }
        if (read == LineRead::TooLong) {
            const std::size_t limit = IsComment(line) ? kMaxComment : kMaxLine;
            return fail("line is longer than " + std::to_string(limit) + " characters");
        }
        const std::vector<std::string_view> fields = Fields(line);
        const bool comment = !fields.empty() && fields[0][0] == '#';
        const bool proof = comment && fields[0] == "#" && fields.size() > 1;
        if (proof && fields[1] == "final") {
            if (script.final) {
                return fail("a second \"# final\" line (the first is line " + std::to_string(script.final->line) + ")");
            }
            script.final = FinalLine{number, AfterWord(line, "final")};
            continue;
        }
        if (fields.empty() || (comment && !(proof && fields[1] == "hash"))) {
            continue;
        }
        if (script.final) {
            return fail("nothing but comments may follow the \"# final\" line (line " +
                        std::to_string(script.final->line) + ")");
        }
        if (comment) {
            StateHash hash{number, 0, 0};
            if (std::optional<std::string> message =
                    ParseHash(fields, script.hashes.empty() ? 0 : script.hashes.back().tick, hash)) {
                return fail(*message);
            }
            script.hashes.push_back(hash);
            continue;
        }
        Event event{};
        std::optional<std::string> message = ParseEvent(fields, previousTick, event);
        if (!message && script.events.size() == kMostEvents) {
            message = "more than " + std::to_string(kMostEvents) + " events, the most a script holds";
        }
        if (message) {
            return fail(*message);
        }
        previousTick = event.tick;
        script.events.push_back(event);
    }
    return script;
}

std::optional<Script> ReadScriptFile(const std::string& path, std::string& error)
{
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "the script from standard input" : path;
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    Script script;
    int failure = 0;
    {
        sys::FdBuffer buffer(fd);
        std::istream in(&buffer);
        script = ParseScript(in);
        failure = buffer.Error();
    }
    if (!standardInput) {
        ::close(fd);
    }
    if (failure != 0) {
        error = "cannot read " + name + ": " + std::strerror(failure);
        return std::nullopt;
    }
    if (script.error) {
        error = "line " + std::to_string(script.error->line) + ": " + script.error->message;
        return std::nullopt;
    }
    return script;
}

std::optional<std::uint64_t> FinalTick(const FinalLine& final, std::string& error)
{
    const std::string where = "line " + std::to_string(final.line) + ": ";
    const std::optional<std::string_view> tick = TopLevelMember(final.state, "tick");
    if (!tick) {
        error = where +
                (final.state.starts_with('{') ? "the final state has no tick" : "the final state is not a state line");
        return std::nullopt;
    }
    const std::optional<std::uint64_t> value = sys::ReadWhole(*tick);
    if (!value) {
        error = where + "the final state's tick " + std::string(tick->substr(0, 40)) + " is not a whole number";
        return std::nullopt;
    }
    if (*value > kLongestRun) {
        error = where + "the final tick " + std::to_string(*value) + " lies beyond the longest run, " +
                std::to_string(kLongestRun) + " ticks";
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> RunEnd(const Script& script, std::string& error)
{
    const std::uint64_t last = script.events.empty() ? 0 : script.events.back().tick;
    if (script.final) {
        const std::optional<std::uint64_t> end = FinalTick(*script.final, error);
        if (end && last > *end + 1) {
            error = "line " + std::to_string(script.final->line) + ": an event at tick " + std::to_string(last) +
                    " comes after the final tick " + std::to_string(*end);
            return std::nullopt;
        }
        if (end && !script.hashes.empty() && script.hashes.back().tick > *end) {
            error = "line " + std::to_string(script.hashes.back().line) + ": the hash's tick " +
                    std::to_string(script.hashes.back().tick) + " comes after the final tick " + std::to_string(*end);
            return std::nullopt;
        }
        return end;
    }
    if (last > kLongestRun) {
        error = "an event at tick " + std::to_string(last) + " lies beyond the longest run, " +
                std::to_string(kLongestRun) + " ticks";
        return std::nullopt;
    }
    return last;
}

}  // namespace dravik::run
