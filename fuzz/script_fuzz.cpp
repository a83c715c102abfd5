// Fuzzes the event-script reader of dravik-sim: any bytes either stop at a
// line that exists, with a message, or give events that read back the same
// when written out again and that play without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/fatal_error.h"
#include "sim/runner.h"
#include "sim/script.h"
#include "sim/script_text.h"

namespace {

[[noreturn]] void Broken(const std::string& what)
{
    std::fprintf(stderr, "script reader broke a promise: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    const dravik::sim::Script script = dravik::sim::ParseScript(in);

    if (script.error) {
        long lines = 1;
        for (char c : text) {
            lines += c == '\n' ? 1 : 0;
        }
        if (script.error->line < 1 || script.error->line > lines) {
            Broken("error on line " + std::to_string(script.error->line) + " of " + std::to_string(lines));
        }
        if (script.error->message.empty() || !script.events.empty()) {
            Broken("an error without a message, or with events kept");
        }
        return 0;
    }

    std::uint64_t previous = 1;
    for (const dravik::sim::Event& e : script.events) {
        if (e.tick < previous) {
            Broken("events out of order");
        }
        previous = e.tick;
    }
    std::istringstream again(dravik::sim::ScriptText(script.events));
    const dravik::sim::Script reread = dravik::sim::ParseScript(again);
    if (reread.error || dravik::sim::ScriptText(reread.events) != dravik::sim::ScriptText(script.events)) {
        Broken("the events do not read back the same");
    }

    // Play the script for a bounded number of ticks; nothing may go wrong.
    dravik::Form form;
    dravik::sim::RunOptions options;
    options.ticks = 1 + (script.events.empty() ? 0 : std::min<std::uint64_t>(script.events.back().tick, 2000));
    options.every = 100;
    std::ostringstream trace;
    try {
        dravik::sim::Run(form, script.events, options, trace);
    } catch (const dravik::FatalError& e) {
        Broken(std::string("fatal error while playing: ") + e.what());
    }
    if (trace.str().rfind("{\"tick\": ", 0) != 0) {
        Broken("no trace");
    }
    return 0;
}
