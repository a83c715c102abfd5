#include "solve/replay.h"

#include <sstream>

#include "game/form.h"
#include "sim/runner.h"
#include "sim/trace.h"

namespace dravik::solve {

Replay PlayBack(const Run& run)
{
    Form form;
    std::ostringstream trace;
    sim::RunOptions options;
    options.ticks = run.winTick;
    Replay replay;
    replay.winTicks = sim::Run(form, ScriptEvents(run), options, trace);
    replay.deaths = form.Deaths.Caption;
    replay.finalState = sim::StateLine(form, run.winTick, replay.winTicks.size());
    return replay;
}

}  // namespace dravik::solve
