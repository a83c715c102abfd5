// dravik-script-gen SEED TICKS: writes an event script for dravik-sim in
// which a random player holds arrows on both axes, taps other keys, lets the
// clock run and now and then chooses RESET. The same seed always gives the
// same script.
#include <cstdlib>
#include <iostream>
#include <vector>

#include "run/run_text.h"
#include "support/play.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: dravik-script-gen SEED TICKS\n";
        return 2;
    }
    const std::uint64_t seed = std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t ticks = std::strtoull(argv[2], nullptr, 10);
    dravik::props::Rng rng(seed);
    dravik::props::RandomPlayer player(rng);
    std::vector<dravik::run::Event> events;
    std::cout << "# dravik-script-gen " << seed << " " << ticks << "\n";
    for (std::uint64_t t = 1; t <= ticks; ++t) {
        events.clear();
        player.EventsBefore(t, events);
        for (const dravik::run::Event& e : events) {
            std::cout << dravik::run::EventLine(e) << "\n";
        }
    }
    return std::cout ? 0 : 1;
}
