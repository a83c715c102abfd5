#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/form.h"
#include "sim/script.h"

namespace dravik::web {

// One game on the page: the form, the ticks run, the wins, every event
// delivered (the run as `dravik --record` writes it) and, while a run is
// watched, its script. The page calls in between ticks, one call at a time.
class Session : private MessageBox {
public:
    Session();

    // The page's own events; ignored while a run is watched (its script
    // steers then) but for the releases of arrows, which are always let go.
    void Key(bool down, std::int16_t keyCode);
    void Reset();
    void Clock();

    // One tick, after the script's events due before it. Returns whether the
    // tick declared a win (the page then shows the box).
    bool Tick();

    // Watches a script's events until `endTick` has run (see sim::RunEnd);
    // with nothing to watch the game goes on live.
    void Watch(std::vector<sim::Event> events, std::uint64_t endTick);
    bool Watching() const { return watching_; }

    std::uint64_t Ticks() const { return ticks_; }
    const Form& Game() const { return form_; }
    std::string StateLine() const;

    // The run so far, with the header lines given and its "# final" line.
    std::string RunText(const std::string& header) const;

private:
    void Show(std::string_view prompt) override;
    void Note(sim::EventKind kind, std::int16_t keyCode = 0);
    void Deliver(const sim::Event& event);

    Form form_;
    std::uint64_t ticks_ = 0;
    std::uint64_t wins_ = 0;
    bool won_ = false;
    std::vector<sim::Event> recorded_;
    std::vector<sim::Event> script_;
    std::size_t scriptNext_ = 0;
    std::uint64_t scriptEnd_ = 0;
    bool watching_ = false;
    std::vector<std::int16_t> scriptHeld_;  // the script's arrows still down
};

}  // namespace dravik::web
