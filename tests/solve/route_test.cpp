// The solver's map and plan of the level, and the arrow events it writes.
#include "solve/route.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "game/form.h"
#include "game/rect.h"
#include "run/run_file.h"
#include "run/run_text.h"
#include "run/session.h"
#include "solve/replay.h"
#include "solve/search.h"

namespace dravik::solve {
namespace {

int CellFor(const StaticMap& map, int left, int top)
{
    return map.CellAt(static_cast<float>(left), static_cast<float>(top));
}

bool SquareAtCellTouches(const StaticMap& map, int cell, const Shape& shape)
{
    Shape square = Level().Square;
    square.Left = static_cast<float>(map.ColumnOf(cell) * kPitch);
    square.Top = static_cast<float>(map.RowOf(cell) * kPitch);
    RECT hit;
    return IntersectRect(hit, RectOf(square), RectOf(shape)) != 0;
}

class RouteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        level_ = new Level();
        map_ = new StaticMap(*level_);
        route_ = new Route(RoutePlanner(*level_, *map_).Tours(1).front());
    }
    static void TearDownTestSuite()
    {
        delete route_;
        delete map_;
        delete level_;
    }
    static Level* level_;
    static StaticMap* map_;
    static Route* route_;
};

Level* RouteTest::level_ = nullptr;
StaticMap* RouteTest::map_ = nullptr;
Route* RouteTest::route_ = nullptr;

TEST_F(RouteTest, MapBlocksWallsAndTheFieldButNotTheSafePath)
{
    const StaticMap& map = *map_;
    EXPECT_TRUE(map.Free(CellFor(map, 960, 10560))) << "the start point";
    EXPECT_TRUE(map.Free(CellFor(map, 9750, 5010))) << "the right corridor, clear of Wall 2";
    EXPECT_FALSE(map.Free(CellFor(map, 9450, 5010))) << "across Wall 2";
    EXPECT_FALSE(map.Free(CellFor(map, 960, 11400))) << "15 twips into the floor";
    EXPECT_TRUE(map.Free(CellFor(map, 960, 11370))) << "just above the floor";
    EXPECT_FALSE(map.Free(CellFor(map, 5430, 3030))) << "on a deadly ball of the field";
    // The safe path's cells (harmless balls) leave a 465-twip lane between
    // deadly neighbours that overlap each cell by 15.
    EXPECT_TRUE(map.Free(CellFor(map, 8310, 6390))) << "on the safe path";
    EXPECT_FALSE(map.Free(CellFor(map, 8400, 6390))) << "15 twips into the deadly ball to the right";
    EXPECT_FALSE(map.Free(CellFor(map, 8310, 6360))) << "15 twips into the deadly ball above";
    EXPECT_TRUE(map.Free(CellFor(map, 3600, 6000))) << "inside the goal";
}

TEST_F(RouteTest, CellsRoundDownAndTheMapHasAnEdge)
{
    const StaticMap& map = *map_;
    EXPECT_EQ(map.CellAt(975.0F, 10575.0F), map.CellAt(960.0F, 10560.0F));
    EXPECT_NE(map.CellAt(990.0F, 10560.0F), map.CellAt(960.0F, 10560.0F));
    EXPECT_EQ(map.CellAt(-15.0F, 10560.0F), -1);
    EXPECT_EQ(map.CellAt(960.0F, 1.0e6F), -1);
}

TEST_F(RouteTest, DistancesCountOneTickPerStepInAnyDirection)
{
    const StaticMap& map = *map_;
    const int start = CellFor(map, 960, 10560);
    const Field field = DistanceField(map, {start});
    EXPECT_EQ(field[static_cast<std::size_t>(start)], 0);
    EXPECT_EQ(field[static_cast<std::size_t>(CellFor(map, 960 + 10 * kPitch, 10560))], 10);
    EXPECT_EQ(field[static_cast<std::size_t>(CellFor(map, 960 + 7 * kPitch, 10560 - 7 * kPitch))], 7);
    EXPECT_EQ(field[static_cast<std::size_t>(CellFor(map, 960 + 7 * kPitch, 10560 + 5 * kPitch))], 7);
    // Pressed into the floor: one tick behind the free cell above it.
    const int pressed = CellFor(map, 960, 11400);
    EXPECT_EQ(field[static_cast<std::size_t>(pressed)], field[static_cast<std::size_t>(CellFor(map, 960, 11370))] + 1);
    // Outside the level there is no way in.
    EXPECT_EQ(field[static_cast<std::size_t>(CellFor(map, 30, 9450))], kFar);
}

TEST_F(RouteTest, EveryKeyIsInExactlyOneLaneAndEachAimTouchesItsKey)
{
    const std::vector<Lane> lanes = BuildLanes(*level_, *map_);
    std::multiset<int> seen;
    for (const Lane& lane : lanes) {
        ASSERT_EQ(lane.keys.size(), lane.aims.size());
        const int column = map_->ColumnOf(lane.aims.front());
        for (std::size_t n = 0; n < lane.keys.size(); ++n) {
            seen.insert(lane.keys[n]);
            EXPECT_EQ(map_->ColumnOf(lane.aims[n]), column) << "a lane is one column";
            EXPECT_TRUE(map_->Free(lane.aims[n])) << "key " << lane.keys[n];
            EXPECT_TRUE(
                SquareAtCellTouches(*map_, lane.aims[n], level_->Key.Item(static_cast<std::int16_t>(lane.keys[n]))))
                << "key " << lane.keys[n];
            if (n > 0) {
                EXPECT_LT(level_->Key.Item(static_cast<std::int16_t>(lane.keys[n - 1])).Top,
                          level_->Key.Item(static_cast<std::int16_t>(lane.keys[n])).Top + 1);
            }
        }
    }
    EXPECT_EQ(seen.size(), 155U);
    for (int k = 0; k < 155; ++k) {
        EXPECT_EQ(seen.count(k), 1U) << "key " << k;
    }
}

TEST_F(RouteTest, BlockColumnsPairUpForOneSweepEach)
{
    // The block's columns stand 600 apart: a square 375 wide at the right
    // Left overlaps a key of each of two neighbouring columns at once.
    const std::vector<Lane> lanes = BuildLanes(*level_, *map_);
    int pairs = 0;
    for (const Lane& lane : lanes) {
        if (lane.keys.size() == 14) {
            ++pairs;
            std::set<float> lefts;
            for (int k : lane.keys) {
                lefts.insert(level_->Key.Item(static_cast<std::int16_t>(k)).Left);
            }
            EXPECT_EQ(lefts.size(), 2U);
            EXPECT_EQ(*lefts.rbegin() - *lefts.begin(), 600.0F);
        }
    }
    EXPECT_EQ(pairs, 6);
}

TEST_F(RouteTest, OrderVisitsEveryKeyOnceAndReachesTheGoal)
{
    const Route& route = *route_;
    ASSERT_EQ(route.order.size(), 155U);
    ASSERT_EQ(route.aims.size(), 155U);
    ASSERT_EQ(route.remaining.size(), 155U);
    EXPECT_EQ(std::set<int>(route.order.begin(), route.order.end()).size(), 155U);
    EXPECT_FALSE(route.goalCells.empty());
    for (int cell : route.goalCells) {
        EXPECT_TRUE(SquareAtCellTouches(*map_, cell, level_->shpGoal));
    }
    // Every aim can be reached, and the travel still ahead shrinks stage by stage.
    for (std::size_t s = 0; s < route.remaining.size(); ++s) {
        EXPECT_LT(route.remaining[s], kFar) << "stage " << s;
        if (s > 0) {
            EXPECT_GE(route.remaining[s - 1], route.remaining[s]) << "stage " << s;
        }
    }
    // The level's regions form one chain from the start to the goal: the
    // lower corridor's keys come first and the block's last.
    EXPECT_EQ(std::set<int>(route.order.begin(), route.order.begin() + 3), (std::set<int>{0, 1, 2}));
    EXPECT_GE(*std::min_element(route.order.end() - 84, route.order.end()), 71);
    // A run cannot be shorter than the straight way from the start to the
    // goal, and the tour is not absurdly long either.
    const Field fromStart = DistanceField(*map_, {CellFor(*map_, 960, 10560)});
    std::uint32_t direct = kFar;
    for (int cell : route.goalCells) {
        direct = std::min<std::uint32_t>(direct, fromStart[static_cast<std::size_t>(cell)]);
    }
    EXPECT_GT(route.length, direct);
    EXPECT_LT(route.length, 4000U);
}

TEST_F(RouteTest, FurtherToursComeShortestFirstAndAllDiffer)
{
    const std::vector<Route> tours = RoutePlanner(*level_, *map_).Tours(12);
    ASSERT_EQ(tours.size(), 12U);
    EXPECT_EQ(tours.front().order, route_->order) << "the first tour is the shortest one";
    for (std::size_t t = 0; t < tours.size(); ++t) {
        const Route& tour = tours[t];
        EXPECT_EQ(std::set<int>(tour.order.begin(), tour.order.end()).size(), 155U) << "tour " << t;
        if (t > 0) {
            EXPECT_GE(tour.length, tours[t - 1].length) << "tour " << t;
        }
        for (std::size_t u = 0; u < t; ++u) {
            EXPECT_NE(tour.order, tours[u].order) << "tours " << u << " and " << t;
        }
    }
}

TEST(Events, TurnEveryHeldPairIntoEveryOtherAsTheGameReadsThem)
{
    const std::int8_t values[] = {-1, 0, 1};
    for (std::int8_t fx : values) {
        for (std::int8_t fy : values) {
            for (std::int8_t tx : values) {
                for (std::int8_t ty : values) {
                    const Move from{fx, fy}, to{tx, ty};
                    Form form;
                    for (const run::Event& e : EventsBetween(Move{}, from, 1)) {
                        run::Apply(form, e);
                    }
                    ASSERT_EQ(form.MoveX, fx * 30);
                    ASSERT_EQ(form.MoveY, fy * 30);
                    const std::vector<run::Event> events = EventsBetween(from, to, 7);
                    for (const run::Event& e : events) {
                        EXPECT_EQ(e.tick, 7U);
                        EXPECT_GE(e.keyCode, 37);
                        EXPECT_LE(e.keyCode, 40);
                        run::Apply(form, e);
                    }
                    EXPECT_EQ(form.MoveX, tx * 30) << int{fx} << "," << int{fy} << " -> " << int{tx} << "," << int{ty};
                    EXPECT_EQ(form.MoveY, ty * 30) << int{fx} << "," << int{fy} << " -> " << int{tx} << "," << int{ty};
                    EXPECT_EQ(events.size(), static_cast<std::size_t>((fx != tx) + (fy != ty)));
                }
            }
        }
    }
}

TEST(Events, ScriptTextReadsBackAsTheRunsEvents)
{
    solve::Run run;
    run.moves = {{1, 0}, {1, 0}, {1, 1}, {-1, 1}, {0, 0}, {0, -1}, {0, 0}};
    run.winTick = 7;
    std::istringstream in(run::ScriptText(ScriptEvents(run)));
    const run::Script script = run::ParseScript(in);
    ASSERT_FALSE(script.error) << script.error->message;
    const std::vector<run::Event> expected = ScriptEvents(run);
    ASSERT_EQ(script.events.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(script.events[n].tick, expected[n].tick);
        EXPECT_EQ(script.events[n].kind, expected[n].kind);
        EXPECT_EQ(script.events[n].keyCode, expected[n].keyCode);
    }
    // Tick 1 presses Right; tick 3 adds Down; tick 4 turns to Left; tick 5
    // lets go of both; tick 6 presses Up; tick 7 lets go.
    EXPECT_EQ(expected.size(), 7U);
    EXPECT_EQ(expected.front().tick, 1U);
    EXPECT_EQ(expected.back().tick, 7U);
    EXPECT_EQ(expected.back().kind, run::EventKind::KeyUp);
}

TEST(Events, PlayBackReportsWinsAndDeathsAsTheGamePlaysThem)
{
    // Pressed against the left wall of the start zone: nothing happens.
    solve::Run idle;
    idle.moves.assign(60, Move{-1, 0});
    idle.winTick = 60;
    const Replay quiet = PlayBack(idle);
    EXPECT_TRUE(quiet.winTicks.empty());
    EXPECT_FALSE(quiet.WinsAt(60));
    EXPECT_EQ(quiet.deaths, "0");

    // Straight right along the lower corridor meets the first ball row.
    solve::Run reckless;
    reckless.moves.assign(60, Move{1, 0});
    reckless.winTick = 60;
    const Replay hit = PlayBack(reckless);
    EXPECT_TRUE(hit.winTicks.empty());
    EXPECT_NE(hit.deaths, "0");
}

}  // namespace
}  // namespace dravik::solve
