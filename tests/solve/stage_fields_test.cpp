// The distances to the win, stage by stage, that keep the search's runs to those that can still win in time.
#include "solve/stage_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "solve/first_tour.h"

namespace dravik::solve {
namespace {

// Walking down the fields from the start point, a tick at a time, reaches
// the goal with every key at exactly the tick they promise, touching the
// keys in the order's sequence; no such win beats the bound without balls; and an
// order that shares its later stages with another gets the very same
// fields when it takes those stages over.
TEST(StageFields, WalkingDownThemWinsAtTheirTickAndSharedStagesMatch)
{
    const FirstTour first;
    const PlaceGraph& graph = first.graph;
    const ReverseGraph& reverse = first.reverse;
    const Route& tour = first.tour;
    const StageFields& fields = first.fields;
    const std::uint32_t win = fields.WinTick();
    ASSERT_GT(win, 0U);
    EXPECT_GE(win, graph.EarliestWin(FollowedKeys()));

    std::vector<int> rank(tour.order.size());
    for (std::size_t i = 0; i < tour.order.size(); ++i) {
        rank[static_cast<std::size_t>(tour.order[i])] = static_cast<int>(i);
    }
    std::uint32_t place = 0;
    std::size_t stage = 0;
    std::uint32_t tick = 1;
    std::vector<bool> held(tour.order.size(), false);
    for (; !(stage == tour.order.size() && graph.Goal(place)); ++tick) {
        ASSERT_LT(tick, win) << "the walk does not end where the fields say";
        const std::uint16_t here = fields.ToGo(stage, place);
        ASSERT_EQ(here + tick, win) << "tick " << tick;
        for (std::uint8_t k : graph.Touched(place)) {
            held[k] = true;
        }
        while (stage < tour.order.size() && held[static_cast<std::size_t>(tour.order[stage])]) {
            ++stage;
        }
        std::uint32_t next = PlaceGraph::kNowhere;
        for (std::uint32_t q : graph.Next(place)) {
            if (q != PlaceGraph::kNowhere &&
                (next == PlaceGraph::kNowhere || fields.ToGo(stage, q) < fields.ToGo(stage, next))) {
                next = q;
            }
        }
        ASSERT_NE(next, PlaceGraph::kNowhere) << "tick " << tick;
        ASSERT_EQ(fields.ToGo(stage, next) + 1, here) << "tick " << tick << ": no step one tick nearer";
        place = next;
    }
    EXPECT_EQ(tick, win);
    EXPECT_EQ(std::count(held.begin(), held.end(), true), static_cast<long>(held.size()));

    // The right corridor's two sweeps taken the other way round: the stages
    // after them are the same in both orders.
    ASSERT_GE(tour.sweeps.size(), 6U);
    std::vector<int> swapped(tour.order.begin(), tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[3]));
    swapped.insert(swapped.end(), tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[4]),
                   tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[5]));
    swapped.insert(swapped.end(), tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[3]),
                   tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[4]));
    swapped.insert(swapped.end(), tour.order.begin() + static_cast<std::ptrdiff_t>(tour.sweeps[5]), tour.order.end());
    ASSERT_NE(swapped, tour.order);
    const StageFields fresh(reverse, swapped);
    const StageFields shared(reverse, swapped, &fields);
    std::size_t differ = 0;
    for (std::size_t s = 0; s < fresh.Stages(); ++s) {
        for (std::uint32_t p = 0; p < graph.Places(); ++p) {
            differ += fresh.ToGo(s, p) != shared.ToGo(s, p) ? 1 : 0;
        }
    }
    EXPECT_EQ(differ, 0U);
    EXPECT_NE(fresh.WinTick(), win) << "the two orders should not be alike everywhere";
}

}  // namespace
}  // namespace dravik::solve
