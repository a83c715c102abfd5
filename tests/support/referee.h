#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "game/form.h"
#include "game/patrols.h"
#include "run/run_file.h"

namespace dravik::props {

// Thrown when the game breaks one of its rules; the message says which rule,
// on which tick and with which values.
class RuleBroken : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What one moving ball group may cover, and what it did cover (in twips,
// far edges included).
struct GroupArea {
    ControlName group;
    RECT allowed;
    RECT seen;
    bool anySeen = false;
};

// What a stretch of play went through, so a test can tell that the rules it
// checked were actually exercised.
struct PlayStats {
    std::uint64_t ticks = 0;
    std::uint64_t deaths = 0;
    std::uint64_t keysCollected = 0;
    std::uint64_t wins = 0;
    std::uint64_t resets = 0;
    std::uint64_t clocks = 0;
    std::uint64_t keyEvents = 0;
};

// Drives a form and checks, after every tick and every event, what the game's
// rules guarantee whatever the player does:
//  - every velocity holds one of the two values of its patrol, the steps are
//    0 or a player's step either way, and every position is a whole number
//    of twips;
//  - the player never leaves the walled playing area;
//  - every moving ball stays inside the area its patrol sweeps; the members
//    of a row or column share their leader's moving coordinate and keep their
//    other one; nothing else of the level ever moves, and only keys hide;
//  - every key of the level is there; no visible key overlaps the player
//    where the key pickup saw it, and a key hides only where the player
//    touched it;
//  - DEATHS holds a whole number that only grows, and after a death the
//    player steps off from the start point with every key shown;
//  - TIME changes only by one on the clock, and RESET zeroes both counters;
//  - a win comes only with every key collected, and restarts the level before
//    its box opens;
//  - no fatal error.
// The referee is the form's message box while it lives.
class Referee : public MessageBox {
public:
    explicit Referee(Form& form);
    ~Referee() override;
    Referee(const Referee&) = delete;
    Referee& operator=(const Referee&) = delete;

    // Delivers one event between two ticks (its tick number is ignored).
    void Deliver(const run::Event& event);

    // Runs one game tick.
    void Tick();

    // Takes the form as it now stands as the new baseline, after a test has
    // placed the player or hidden keys by hand.
    void Rebase();

    const PlayStats& Stats() const { return stats_; }
    const std::array<GroupArea, kPatrols.size()>& Areas() const { return areas_; }

    // Replaces the tick the referee runs; lets the tests check the referee
    // itself against a deliberately broken game.
    void SetTick(std::function<void(Form&)> tick) { tick_ = std::move(tick); }
    void SetDeliver(std::function<void(Form&, const run::Event&)> deliver) { deliver_ = std::move(deliver); }

    void Show(std::string_view prompt) override;

private:
    [[noreturn]] void Fail(const std::string& what) const;
    void CheckLevel();
    void CheckBalls();
    void CheckKeysAfterTick(float stepLeft, float stepTop, bool restarted);
    void CheckCountersAfterTick(double deathsBefore);
    double CounterValue(const Label& counter) const;
    void TakeBaseline();
    void WatchShapes();

    Form& form_;
    Level pristine_;  // the level as laid out, to compare what never moves

    // Every shape of the form beside its laid-out twin.
    enum class Role { Player, Key, MovingBall, Fixed };
    struct Watched {
        const Shape* now;
        const Shape* laidOut;
        ControlName name;
        std::int16_t index;
        Role role;
    };
    std::vector<Watched> shapes_;
    std::function<void(Form&)> tick_;
    std::function<void(Form&, const run::Event&)> deliver_;
    std::array<GroupArea, kPatrols.size()> areas_;
    PlayStats stats_;

    // The state after the previous tick or event.
    std::array<bool, kKeyCount> keysVisible_{};
    double deaths_ = 0;
    std::string time_;
    std::uint64_t winsThisTick_ = 0;
    bool inTick_ = false;
};

}  // namespace dravik::props
