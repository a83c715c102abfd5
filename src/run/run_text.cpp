#include "run/run_text.h"

namespace dravik::run {

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

std::string HashLine(std::uint64_t tick, std::uint64_t hash)
{
    static const char* const kHex = "0123456789abcdef";
    std::string digits(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) {
        digits[static_cast<std::size_t>(i)] = kHex[hash & 0xF];
    }
    return "# hash " + std::to_string(tick) + " " + digits;
}

std::string FinalLineText(std::string_view stateLine)
{
    return "# final " + std::string(stateLine);
}

std::string RunHeader(std::string_view build, std::string_view recordedAt)
{
    return "# dravik run 1\n# dravik " + std::string(build) + "\n# recorded " + std::string(recordedAt) +
           "\n# check it with: dravik-sim --verify FILE; watch it with: dravik --replay FILE\n";
}

}  // namespace dravik::run
