// Fuzzes the game itself: the bytes choose where play starts (the start point
// or a place deep in the level, the balls' phase, which keys are collected)
// and then a sequence of key presses and releases, clock seconds, RESETs and
// runs of ticks. The referee checks every rule after every tick and event.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/play.h"
#include "support/referee.h"

namespace {

// Keys that are not arrows, as 16-bit codes: nothing, modifiers, letters,
// Home and Insert beside the arrows, codes above 32767 and arrow codes with
// high bits set.
constexpr std::uint16_t kOtherKeys[32] = {
    0,  8,  9,  13, 16,  17,  18,  20,  27,  32,  33,    34,    35,    36,    41,    45,
    46, 65, 87, 90, 112, 123, 255, 256, 293, 294, 32767, 32768, 32805, 65535, 65317, 65320,
};

// Enough for a walk across a corridor, few enough for many runs a second.
constexpr std::uint64_t kMaxTicks = 5000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };

    using dravik::props::DeepRegions;
    const std::size_t place = next() % (DeepRegions().size() + 1);
    const unsigned warmUp = next() * 4U;
    const std::uint64_t seed = next() | (next() << 8U);

    dravik::Form form;
    if (place > 0) {
        for (unsigned t = 0; t < warmUp; ++t) {
            form.tmrBall_Timer();
        }
        dravik::props::Rng rng(seed);
        dravik::props::PlaceInRegion(form, DeepRegions()[place - 1], rng);
    }

    try {
        dravik::props::Referee referee(form);
        auto ticks = [&](std::uint64_t n) {
            for (; n > 0 && referee.Stats().ticks < kMaxTicks; --n) {
                referee.Tick();
            }
        };
        auto deliver = [&](dravik::run::EventKind kind, std::uint16_t code) { referee.Deliver({1, kind, code}); };
        if (place == 0) {
            ticks(warmUp);
        }
        while (at < size && referee.Stats().ticks < kMaxTicks) {
            const std::uint8_t b = next();
            const unsigned arg = b & 31U;
            switch (b >> 5U) {
                case 0: ticks(arg + 1); break;
                case 1: deliver(dravik::run::EventKind::KeyDown, static_cast<std::uint16_t>(37 + (arg & 3U))); break;
                case 2: deliver(dravik::run::EventKind::KeyUp, static_cast<std::uint16_t>(37 + (arg & 3U))); break;
                case 3: deliver(dravik::run::EventKind::KeyDown, kOtherKeys[arg]); break;
                case 4: deliver(dravik::run::EventKind::KeyUp, kOtherKeys[arg]); break;
                case 5: deliver(dravik::run::EventKind::Clock, 0); break;
                case 6:
                    if (arg == 0) {
                        deliver(dravik::run::EventKind::Reset, 0);
                    } else {
                        ticks(std::uint64_t{arg} * 4);
                    }
                    break;
                default: ticks((std::uint64_t{arg} + 1) * 8); break;
            }
        }
    } catch (const dravik::props::RuleBroken& e) {
        std::fprintf(stderr, "the game broke a rule: %s\n", e.what());
        std::abort();
    }
    return 0;
}
