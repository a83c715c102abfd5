#pragma once

#include <cstdint>

namespace dravik {
class Form;
}

namespace dravik::run {

// What can happen between two ticks: an arrow pressed or let go, the RESET
// command, one second of the clock.
enum class EventKind : std::uint8_t { KeyDown, KeyUp, Reset, Clock };

struct Event {
    std::uint64_t tick;  // delivered after tick-1 has run and before this tick
    EventKind kind;
    std::uint16_t keyCode = 0;  // for KeyDown and KeyUp

    bool operator==(const Event&) const = default;
};

// The keys the game reads, and so the only keys a run holds: Left 37, Up 38,
// Right 39, Down 40. Any other key changes nothing, and a run file never
// records what else was typed.
bool IsArrow(std::uint16_t keyCode);

// Hands one event to the form's handler for it.
void Apply(Form& form, const Event& event);

}  // namespace dravik::run
