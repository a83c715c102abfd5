#include "solve/replay.h"

#include <cstdio>
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
    sim::Run(form, ScriptEvents(run), options, trace);

    Replay replay;
    std::istringstream lines(trace.str());
    std::string line;
    while (std::getline(lines, line)) {
        unsigned long long tick = 0;
        if (std::sscanf(line.c_str(), "{\"tick\": %llu,", &tick) == 1 && line == sim::WinLine(tick)) {
            replay.winTicks.push_back(tick);
        }
    }
    replay.deaths = form.Deaths.Caption;
    return replay;
}

}  // namespace dravik::solve
