#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/form.h"

namespace dravik::solve {

// Every ball of the form, moving or not, parked far outside the walls, where
// nothing can touch the square: the game without balls.
void ParkBalls(Form& form);

// The moving balls that kill, where the checks of each tick see them. Which
// balls kill is learned from the game's own tick: a ball kills when a tick
// whose checks see the square on it, and on no other ball, sends the square
// back to the start point. Where they stand comes from a copy of the game
// that plays its ticks with the square parked where nothing reaches it,
// taken a tick at a time as far as anyone asks and kept.
class DeadlyBalls {
public:
    DeadlyBalls();
    DeadlyBalls(const DeadlyBalls&) = delete;  // it points into its own world
    DeadlyBalls& operator=(const DeadlyBalls&) = delete;

    // True when the hazard checks of tick `tick` (the first is 1) see a
    // square whose rectangle is `square` on one of the moving balls that kill.
    bool Hit(std::uint64_t tick, const RECT& square)
    {
        Reach(tick);
        const std::size_t n = killers_.size();
        const RECT* ball = rects_.data() + (tick - 1) * n;
        RECT hit;
        for (std::size_t b = 0; b < n; ++b) {
            if (IntersectRect(hit, square, ball[b]) != 0) {
                return true;
            }
        }
        return false;
    }

private:
    // Plays the world's ticks until the balls of tick `tick` are known.
    void Reach(std::uint64_t tick)
    {
        while (ticks_ < tick) {
            Record();
        }
    }
    void Record();

    Form world_;
    std::vector<const Shape*> killers_;  // in world_
    std::vector<RECT> rects_;            // killers_.size() a tick, from tick 1
    std::uint64_t ticks_ = 0;            // ticks recorded
};

}  // namespace dravik::solve
