// Fuzzes the run file's reader: any bytes either stop at a line that exists,
// with a message, or give events that read back the same when written out
// again, that play without a fault, and whose recording replays to its end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "level/fatal_error.h"
#include "run/check.h"
#include "run/run_file.h"
#include "run/run_text.h"
#include "run/session.h"

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
    const dravik::run::Script script = dravik::run::ParseScript(in);

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
    for (const dravik::run::Event& e : script.events) {
        if (e.tick < previous) {
            Broken("events out of order");
        }
        previous = e.tick;
    }
    std::istringstream again(dravik::run::ScriptText(script.events));
    const dravik::run::Script reread = dravik::run::ParseScript(again);
    if (reread.error || dravik::run::ScriptText(reread.events) != dravik::run::ScriptText(script.events)) {
        Broken("the events do not read back the same");
    }

    // Watch the script as the window and the page do, for a bounded number
    // of ticks, and record what was played: nothing may go wrong, and the
    // recording must read back and replay to its own end.
    std::string error;
    const std::optional<std::uint64_t> end = dravik::run::RunEnd(script, error);
    if (!end) {
        return 0;  // refused with a reason, as every reader refuses it
    }
    const std::uint64_t ticks = 1 + std::min<std::uint64_t>(*end, 2000);
    dravik::run::Session session;
    try {
        session.Watch(script.events, ticks - 1);
        while (session.Ticks() < ticks) {
            session.Tick();
        }
    } catch (const dravik::FatalError& e) {
        Broken(std::string("fatal error while playing: ") + e.what());
    }
    std::istringstream recorded(session.RunText(""));
    const dravik::run::Script back = dravik::run::ParseScript(recorded);
    const std::optional<dravik::run::Outcome> outcome = back.error ? std::nullopt : dravik::run::CheckRun(back, error);
    if (!outcome || !outcome->endMatches || outcome->astray) {
        Broken("the recording does not replay to its own end");
    }
    return 0;
}
