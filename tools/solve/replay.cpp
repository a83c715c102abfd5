#include "solve/replay.h"

#include "run/session.h"

namespace dravik::solve {

Replay PlayBack(const Run& found)
{
    run::Session session(run::Session::Log::None);
    session.Play(ScriptEvents(found));
    Replay replay;
    while (session.Ticks() < found.winTick) {
        if (session.Tick().won) {
            replay.winTicks.push_back(session.Ticks());
        }
    }
    replay.deaths = session.Game().Deaths.Caption;
    replay.finalState = session.StateLine();
    return replay;
}

}  // namespace dravik::solve
