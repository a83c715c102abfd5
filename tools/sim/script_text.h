#pragma once

#include <string>
#include <vector>

#include "sim/script.h"

namespace dravik::sim {

// One event as a line of script text, without its newline: "<tick> down
// <vk>", "<tick> up <vk>", "<tick> reset" or "<tick> clock". ParseScript
// reads it back as the same event.
std::string EventLine(const Event& event);

// Events as script text, one line each.
std::string ScriptText(const std::vector<Event>& events);

}  // namespace dravik::sim
