#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/form.h"
#include "level/layout.h"
#include "level/shape.h"
#include "run/run_file.h"
#include "run/session.h"

namespace dravik::run {

// How every front end draws the ghost: the player's red, see-through, with a
// firmer edge (opacities out of 255).
inline constexpr Colour kGhostColour = kRed;
inline constexpr int kGhostFillAlpha = 150;
inline constexpr int kGhostEdgeAlpha = 200;

// The gap to the ghost when the live player had taken `keys` keys: the live
// stretch's ticks then, less the ghost's when it had taken as many.
// Positive: behind the ghost.
struct Gap {
    int keys = 0;
    std::int64_t ticks = 0;
};

// "+0.42 s", "-1.05 s", "+0.00 s": a gap in seconds of play, to the nearest
// hundredth.
std::string GapText(std::int64_t ticks);

// A recorded run raced beside a live one. The ghost is the recorded run's
// player over the stretch that ends at its first win (from the start or the
// RESET before it), played by the game itself in lockstep with the live
// session's stretch: at the live stretch's tick k the ghost stands where the
// recorded player stood k ticks into its own. It starts again with every
// stretch of the live session (the start, a RESET, a win), touches nothing
// of the live game, and is gone once it has won until the live player starts
// again.
class Ghost {
public:
    // The ghost of a run, played to its end (its "# final" tick, else its
    // last event's). Nothing, with the reason in `error`, when the run
    // cannot be read that far or does not win by then.
    static std::optional<Ghost> Of(const Script& script, std::string& error);

    // Brings the ghost to the live session's stretch after `played` (what
    // the session's last Advance played, or nothing after an event such as
    // RESET). Gives the gap at each tick of `played` in which the live player
    // took a key.
    std::vector<Gap> Follow(const Session& live, const Played& played = Played());

    // Where the ghost's square stands, in twips, while it is shown.
    bool Shown() const { return ticks_ < winTicks_ || winTicks_ == 0; }
    float Left() const;
    float Top() const;
    // The ghost's stretch: its ticks to the win.
    std::uint64_t WinTicks() const { return winTicks_; }

private:
    Ghost() = default;
    void Restart();

    std::shared_ptr<const Form> start_;  // the recorded game as its stretch begins
    std::vector<Event> events_;          // the events of the stretch on, ticks counted from it
    std::uint64_t winTicks_ = 0;
    // The ghost's tick when it had taken n keys, for the last time before its
    // win (index n, 1 to kKeyCount).
    std::array<std::optional<std::uint64_t>, kKeyCount + 1> keyTicks_{};

    std::unique_ptr<Session> session_;
    std::uint64_t ticks_ = 0;  // into the ghost's stretch
    std::optional<std::uint64_t> liveStart_;
};

}  // namespace dravik::run
