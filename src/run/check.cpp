#include "run/check.h"

namespace dravik::run {

std::optional<Outcome> CheckRun(const Script& script, std::string& error)
{
    if (!script.final) {
        error = "no \"# final\" line: not a recorded run";
        return std::nullopt;
    }
    const std::optional<std::uint64_t> end = RunEnd(script, error);
    if (!end) {
        return std::nullopt;
    }
    Outcome outcome;
    outcome.ticks = *end;
    Session session(Session::Log::None);
    session.Play(script.events);
    auto hash = script.hashes.begin();
    while (session.Ticks() < *end) {
        if (session.Tick().won && !outcome.firstWin) {
            outcome.firstWin = session.LastWin();
        }
        if (hash != script.hashes.end() && hash->tick == session.Ticks()) {
            if (!outcome.astray && hash->hash != session.StateHash()) {
                outcome.astray = *hash;
            }
            ++hash;
        }
    }
    outcome.wins = session.Wins();
    outcome.lastWin = session.LastWin();
    outcome.deaths = session.Game().Deaths.Caption;
    outcome.time = session.Game().Time.Caption;
    outcome.endState = session.StateLine();
    outcome.endMatches = outcome.endState == script.final->state;
    return outcome;
}

}  // namespace dravik::run
