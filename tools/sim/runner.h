#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "game/form.h"
#include "sim/script.h"

namespace dravik::sim {

struct RunOptions {
    std::uint64_t ticks = 1000;
    std::uint64_t every = 0;  // a state line after every multiple of this; 0 for none
};

// Delivers one scripted event to the form's handlers.
void Deliver(Form& form, const Event& event);

// Plays the script on the form for the given number of ticks and writes the
// trace: state lines and win lines. Returns the ticks whose goal check
// declared a win, in order. Stops early when `out` fails, since the rest of
// the trace would be lost.
std::vector<std::uint64_t> Run(Form& form, const std::vector<Event>& events, const RunOptions& options,
                               std::ostream& out);

}  // namespace dravik::sim
