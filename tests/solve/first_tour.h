#pragma once

#include "level/level.h"
#include "solve/bound.h"
#include "solve/route.h"
#include "solve/stage_fields.h"

namespace dravik::solve {

// The shortest tour of the keys, with the place graph and its fields, as
// the tests of one order's search take it.
struct FirstTour {
    static Route Plan()
    {
        const Level level;
        const StaticMap map(level);
        return RoutePlanner(level, map).Tours(1).front();
    }

    const PlaceGraph graph;
    const ReverseGraph reverse{graph};
    const Route tour = Plan();
    const StageFields fields{reverse, tour.order};
};

}  // namespace dravik::solve
