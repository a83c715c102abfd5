#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "run/event.h"

namespace dravik::run {

// A run file, or any event script: one event a line, "<tick> down <vk>",
// "<tick> up <vk>", "<tick> reset" or "<tick> clock", in the order they are
// delivered; blank lines and lines starting with '#' are comments. Two kinds
// of comment carry the run's proof, and readers that predate them skip them:
//   "# hash <tick> <16 hex digits>"  the state's hash after that tick
//   "# final <state line>"           the state after the run's last tick;
//                                    nothing but comments may follow it

struct ScriptError {
    long line;
    std::string message;
};

struct FinalLine {
    long line;
    std::string state;
};

struct StateHash {
    long line;
    std::uint64_t tick;
    std::uint64_t hash;
};

struct Script {
    std::vector<Event> events;         // in delivery order
    std::vector<StateHash> hashes;     // in increasing tick order
    std::optional<ScriptError> error;  // the first malformed line, if any
    std::optional<FinalLine> final;    // a recorded run's last state, if given
};

// Reads a whole script, line by line (after a UTF-8 byte order mark, if
// any). Stops at the first bad line: a line longer than its limit, a number
// that is not plain decimal digits, ticks out of order, one event beyond
// kMostEvents, a second "# final" line or anything but comments after it.
// Memory holds one line and what has been read.
Script ParseScript(std::istream& in);

// Reads the script a command line names: a file, or "-" for standard input.
// When it cannot, gives nothing and says why in `error`, one line without
// the program's name: "cannot read NAME: <the system's reason>" or
// "line L: <what is wrong>".
std::optional<Script> ReadScriptFile(const std::string& path, std::string& error);

// The tick of a "# final" line, read without a JSON library: the number of
// the state line's top-level "tick". Nothing, with the reason ("line L:
// ..."), when the line holds no such number or it lies beyond kLongestRun.
std::optional<std::uint64_t> FinalTick(const FinalLine& final, std::string& error);

// Where watching a run ends: after the tick of its "# final" line, else of
// its last event (0 with none). Nothing, with the reason in `error`, when the
// final line cannot be read, the run lies beyond kLongestRun or an event
// comes after the final tick (a recording ends at most one tick before its
// last events: those the player gave after the last tick).
std::optional<std::uint64_t> RunEnd(const Script& script, std::string& error);

}  // namespace dravik::run
