#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/form.h"
#include "run/run_file.h"
#include "support/rng.h"

namespace dravik::props {

// A part of the level where random play can begin: the player's top-left
// corner is put somewhere in [left, right] x [top, bottom], on whole pixels.
struct Region {
    std::string name;
    std::int32_t left, top, right, bottom;
    bool allKeysHidden = false;  // the run's last stretch: only the goal is left
};

// The places a random run can start from besides the start point: each
// corridor, the rest zones, the key block, every cell of the field's safe
// path, and the cell above the goal with every key collected.
const std::vector<Region>& DeepRegions();

// Puts the player somewhere in the region and stops it; hides a random share
// of the keys (every key for a region that asks for it).
void PlaceInRegion(Form& form, const Region& region, Rng& rng);

// Plays like someone who does not know the game: holds arrows (one or two
// axes) for a while, taps other keys, lets auto-repeat send key-downs again,
// presses the opposite arrow while one is held, lets the clock run and now
// and then chooses RESET.
class RandomPlayer {
public:
    explicit RandomPlayer(Rng& rng) : rng_(rng) {}

    // Appends the events to deliver before the given tick.
    void EventsBefore(std::uint64_t tick, std::vector<run::Event>& out);

private:
    Rng& rng_;
    std::uint64_t holdUntil_ = 0;
    std::int16_t heldX_ = 0;  // key code held on each axis, 0 for none
    std::int16_t heldY_ = 0;
};

}  // namespace dravik::props
