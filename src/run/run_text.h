#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/event.h"

namespace dravik::run {

// The lines a run file is written in; ParseScript reads each back as it was.

// One event, without its newline: "<tick> down <vk>", "<tick> up <vk>",
// "<tick> reset" or "<tick> clock".
std::string EventLine(const Event& event);

// Events, one line each.
std::string ScriptText(const std::vector<Event>& events);

// "# hash <tick> <16 hex digits>", without its newline.
std::string HashLine(std::uint64_t tick, std::uint64_t hash);

// "# final <state line>", without its newline.
std::string FinalLineText(std::string_view stateLine);

// The comments a recording starts with: the format, the build that made it
// ("1.0.0", "1.0.0 in a web browser") and when, as the front end's clock
// tells (the core reads none), and how to check and watch it.
std::string RunHeader(std::string_view build, std::string_view recordedAt);

}  // namespace dravik::run
