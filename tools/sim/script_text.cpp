#include "sim/script_text.h"

namespace dravik::sim {

std::string EventLine(const Event& event)
{
    std::string line = std::to_string(event.tick);
    switch (event.kind) {
        case EventKind::KeyDown: line += " down " + std::to_string(event.keyCode); break;
        case EventKind::KeyUp: line += " up " + std::to_string(event.keyCode); break;
        case EventKind::Reset: line += " reset"; break;
        case EventKind::Clock: line += " clock"; break;
    }
    return line;
}

std::string ScriptText(const std::vector<Event>& events)
{
    std::string text;
    for (const Event& event : events) {
        text += EventLine(event);
        text += '\n';
    }
    return text;
}

}  // namespace dravik::sim
