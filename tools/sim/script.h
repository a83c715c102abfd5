#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace dravik::sim {

// What an event script can ask for between two ticks.
enum class EventKind { KeyDown, KeyUp, Reset, Clock };

struct Event {
    std::uint64_t tick;  // delivered after tick-1 has run and before this tick
    EventKind kind;
    std::uint16_t keyCode = 0;  // for KeyDown and KeyUp
};

struct ScriptError {
    long line;
    std::string message;
};

// The comment "# final <state line>" that ends a recorded run: the state
// after its last tick, as dravik-sim prints it.
struct FinalLine {
    long line;
    std::string state;
};

struct Script {
    std::vector<Event> events;         // in delivery order
    std::optional<ScriptError> error;  // the first malformed line, if any
    std::optional<FinalLine> final;    // a recorded run's last state, if given
};

// The longest event line: the longest event is under 40 characters, so a
// longer line is hostile and is not read. Comments may be longer (a recorded
// run's final state line is a few KB), up to kMaxComment.
inline constexpr std::size_t kMaxLine = 1024;
inline constexpr std::size_t kMaxComment = 65536;

// The most events a script holds (some 160 MB in memory): more is hostile, an
// endless stream among them. A recording ends before it has more.
inline constexpr std::size_t kMostEvents = 10'000'000;

// Reads a whole script, line by line (after a UTF-8 byte order mark, if
// any): one event a line, "<tick> <event> [<arg>]"; blank lines and lines
// starting with '#' are skipped, but for a "# final" line, which is kept (a
// second one is an error). Stops at the first bad line, which includes one longer than its limit or one event
// beyond kMostEvents; memory holds one line and the events read.
Script ParseScript(std::istream& in);

}  // namespace dravik::sim
