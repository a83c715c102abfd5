// Random play against the referee: from the start point for a long stretch,
// and from states deep in the level that random presses would rarely reach.
// DRAVIK_PROP_TICKS sets the total number of ticks checked (1,000,000 by
// default; `make soak` asks for 100,000,000, `make check` for 100,000, of
// which the run from the start takes its least, 300,000, alone).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "support/play.h"
#include "support/referee.h"

namespace dravik::props {
namespace {

std::uint64_t TotalTicks()
{
    const char* text = std::getenv("DRAVIK_PROP_TICKS");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : 1'000'000;
}

// Three tenths of the ticks go to one run from the start point, and never
// fewer than 300,000: that run must outlast the longest patrol and collect a
// key. The rest is shared by the starting places deep in the level.
std::uint64_t TicksFromStart()
{
    return std::max<std::uint64_t>(TotalTicks() * 3 / 10, 300'000);
}

// The kinds of place deep in the level; each gets an equal share of ticks.
const std::vector<std::string> kPlaces = {"lower corridor", "right corridor", "top corridor", "left corridor",
                                          "key block",      "rest zones",     "safe path",    "goal doorstep"};

std::uint64_t TicksPerPlace()
{
    return (TotalTicks() - TotalTicks() * 3 / 10) / kPlaces.size();
}

// Plays `ticks` ticks with random input, every one checked.
void Play(Referee& referee, Rng& rng, std::uint64_t ticks)
{
    RandomPlayer player(rng);
    std::vector<run::Event> events;
    for (std::uint64_t t = 1; t <= ticks; ++t) {
        events.clear();
        player.EventsBefore(t, events);
        for (const run::Event& e : events) {
            referee.Deliver(e);
        }
        referee.Tick();
    }
}

std::string Summary(const PlayStats& s)
{
    return std::to_string(s.ticks) + " ticks checked: " + std::to_string(s.deaths) + " deaths, " +
           std::to_string(s.keysCollected) + " keys collected, " + std::to_string(s.wins) + " wins, " +
           std::to_string(s.resets) + " resets, " + std::to_string(s.clocks) + " clock seconds, " +
           std::to_string(s.keyEvents) + " key events";
}

TEST(RandomPlay, FromTheStartKeepsEveryRuleAndSweepsEveryArea)
{
    Form form;
    Referee referee(form);
    Rng rng(20240611);
    try {
        Play(referee, rng, TicksFromStart());
    } catch (const RuleBroken& e) {
        FAIL() << e.what();
    }
    const PlayStats& stats = referee.Stats();
    std::cout << "from the start: " << Summary(stats) << "\n";
    EXPECT_EQ(stats.ticks, TicksFromStart());
    EXPECT_GT(stats.deaths, 0U);
    EXPECT_GT(stats.keysCollected, 0U);
    EXPECT_GT(stats.resets, 0U);

    // After the longest period (26978 ticks of Balls9 and Balls11) every
    // group has covered exactly the area it may sweep, not just part of it.
    ASSERT_GT(stats.ticks, 30000U);
    for (const GroupArea& area : referee.Areas()) {
        EXPECT_EQ(area.seen, area.allowed)
            << NameOf(area.group) << " swept (" << area.seen.left << ", " << area.seen.top << ") to ("
            << area.seen.right << ", " << area.seen.bottom << ")";
    }
}

// A place's own seed, the same with every compiler and library: the 64-bit
// FNV-1a hash of its name.
std::uint64_t SeedOf(const std::string& name)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

class DeepStart : public testing::TestWithParam<std::string> {};

// Random play that begins in one kind of place deep in the level, with the
// balls at a random phase and some or all of the keys collected.
TEST_P(DeepStart, KeepsEveryRule)
{
    std::vector<const Region*> regions;
    for (const Region& r : DeepRegions()) {
        if (r.name == GetParam()) {
            regions.push_back(&r);
        }
    }
    ASSERT_FALSE(regions.empty());
    const std::uint64_t budget = TicksPerPlace();
    const std::uint64_t seed = SeedOf(GetParam());
    std::cout << GetParam() << ": seed " << seed << "\n";
    Rng rng(seed);
    PlayStats total;
    std::uint64_t runs = 0;
    // The balls at many phases of their patrols: the first tick sets every
    // velocity, the rest move them on.
    std::vector<Form> phases;
    Form warm;
    for (std::uint64_t t = 1; t <= 30000; ++t) {
        warm.tmrBall_Timer();
        if (t % 997 == 1) {
            phases.push_back(warm);
        }
    }
    while (total.ticks < budget) {
        Form form = phases[rng.Below(phases.size())];
        for (std::uint64_t t = rng.Below(997); t > 0; --t) {
            form.tmrBall_Timer();
        }
        PlaceInRegion(form, *regions[rng.Below(regions.size())], rng);
        Referee referee(form);
        const std::uint64_t ticks = std::min<std::uint64_t>(budget - total.ticks, 500 + rng.Below(5000));
        try {
            Play(referee, rng, ticks);
        } catch (const RuleBroken& e) {
            FAIL() << "run " << runs << " from the " << GetParam() << ": " << e.what();
        }
        const PlayStats& s = referee.Stats();
        total.ticks += s.ticks;
        total.deaths += s.deaths;
        total.keysCollected += s.keysCollected;
        total.wins += s.wins;
        total.resets += s.resets;
        total.clocks += s.clocks;
        total.keyEvents += s.keyEvents;
        ++runs;
    }
    std::cout << GetParam() << ": " << runs << " runs, " << Summary(total) << "\n";
    EXPECT_EQ(total.ticks, budget);
    EXPECT_GT(total.deaths + total.keysCollected, 0U) << "random play from the " << GetParam() << " did nothing";
    if (GetParam() == "goal doorstep") {
        EXPECT_GT(total.wins, 0U) << "no run from above the goal won";
    }
}

INSTANTIATE_TEST_SUITE_P(Level, DeepStart, testing::ValuesIn(kPlaces),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char c : info.param) {
                                 name += c == ' ' ? '_' : c;
                             }
                             return name;
                         });

}  // namespace
}  // namespace dravik::props
