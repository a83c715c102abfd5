// The level tables against facts that a slip in copying them would break.
#include "level/level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "game/form.h"
#include "game/rect.h"
#include "level/fatal_error.h"

namespace dravik {
namespace {

TEST(LevelGroups, HaveTheirMembersIndexesAndGaps)
{
    const Level level;
    EXPECT_EQ(kShapeTable.size(), 324U);
    struct Expect {
        const ControlGroup& group;
        int ubound, count;
    };
    const Expect groups[] = {
        {level.Key, 154, 155},   {level.Wall, 15, 16}, {level.Balls13, 78, 79},
        {level.Balls14, 34, 34}, {level.Balls, 5, 6},  {level.Balls1, 5, 6},
        {level.Balls2, 5, 6},    {level.Balls3, 5, 6}, {level.Balls5, 1, 2},
    };
    for (const Expect& e : groups) {
        EXPECT_EQ(e.group.UBound(), e.ubound);
        EXPECT_EQ(e.group.Count(), e.count);
    }
    EXPECT_FALSE(level.Balls14.Has(28));
    EXPECT_TRUE(level.Balls14.Has(27));
    EXPECT_TRUE(level.Balls14.Has(29));
    EXPECT_THROW(level.Balls14.Item(28), FatalError);
    EXPECT_THROW(level.Key.Item(155), FatalError);
    EXPECT_THROW(level.Key.Item(-1), FatalError);
}

TEST(LevelWalls, EdgesMatchTheLayout)
{
    const Level level;
    // left, top, right, bottom of each wall, as the layout gives them.
    const int edges[16][4] = {
        {120, 9840, 9615, 9870},  {120, 11760, 11535, 11790}, {9600, 2400, 9630, 9870}, {11520, 480, 11550, 11775},
        {3000, 2520, 9255, 2550}, {240, 480, 11535, 510},     {2160, 2400, 2190, 7455}, {240, 480, 270, 9255},
        {240, 9240, 9255, 9270},  {2160, 7440, 6855, 7470},   {9240, 2520, 9270, 9255}, {2160, 2400, 9615, 2430},
        {3000, 6840, 6855, 6870}, {6840, 6840, 6870, 7455},   {3000, 2520, 3030, 6855}, {120, 9840, 150, 11775},
    };
    RECT around = RectOf(level.Wall.Item(0));
    for (std::int16_t i = 0; i < 16; ++i) {
        const RECT r = RectOf(level.Wall.Item(i));
        EXPECT_EQ(r, (RECT{edges[i][0], edges[i][1], edges[i][2], edges[i][3]})) << "Wall " << i;
        const Shape& w = level.Wall.Item(i);
        EXPECT_TRUE(w.Width == 30 || w.Height == 30) << "Wall " << i << " is not 30 thick";
        EXPECT_EQ(w.FillColor, kBlack);
        around = {std::min(around.left, r.left), std::min(around.top, r.top), std::max(around.right, r.right),
                  std::max(around.bottom, r.bottom)};
    }
    EXPECT_EQ(around, kPlayingArea);
}

TEST(LevelZones, PlayerStartsWhollyInsideStart)
{
    const Level level;
    const RECT player = RectOf(level.Square);
    const RECT start = RectOf(level.Start);
    EXPECT_EQ(player, (RECT{960, 10560, 1335, 10935}));
    EXPECT_GT(player.left, start.left);
    EXPECT_GT(player.top, start.top);
    EXPECT_LT(player.right, start.right);
    EXPECT_LT(player.bottom, start.bottom);
    EXPECT_EQ(level.Square.FillColor, kRed);
    EXPECT_EQ(level.Square.Kind, kSquare);
    EXPECT_EQ(RectOf(level.shpGoal), (RECT{3000, 5400, 4455, 6855}));
    for (const Shape* zone : {&level.Start, &level.Rest, &level.Rest2, &level.Rest3, &level.shpGoal}) {
        EXPECT_EQ(zone->FillColor, kPaleGreen);
    }
}

TEST(LevelKeys, LieWhereTheLayoutPutsThem)
{
    const Level level;
    auto at = [&](int i) {
        return std::pair<float, float>{level.Key.Item(static_cast<std::int16_t>(i)).Left,
                                       level.Key.Item(static_cast<std::int16_t>(i)).Top};
    };
    EXPECT_EQ(at(0), (std::pair<float, float>{3480, 10680}));
    EXPECT_EQ(at(2), (std::pair<float, float>{8280, 10680}));
    EXPECT_EQ(at(64), (std::pair<float, float>{9600, 2400}));
    EXPECT_EQ(at(15), (std::pair<float, float>{11280, 9360}));
    EXPECT_EQ(at(4), (std::pair<float, float>{11280, 9600}));
    EXPECT_EQ(at(67), (std::pair<float, float>{9360, 1320}));
    // The block: column c at Left 2280 + 600c, first index at 8880 or 9000, then 240 higher each.
    EXPECT_EQ(at(71), (std::pair<float, float>{2280, 8880}));
    EXPECT_EQ(at(78), (std::pair<float, float>{2880, 9000}));
    EXPECT_EQ(at(154), (std::pair<float, float>{8880, 7560}));
    // Column 10 has 144 and 145 swapped.
    EXPECT_EQ(at(143), (std::pair<float, float>{8280, 8400}));
    EXPECT_EQ(at(144), (std::pair<float, float>{8280, 7920}));
    EXPECT_EQ(at(145), (std::pair<float, float>{8280, 8160}));
    EXPECT_EQ(at(146), (std::pair<float, float>{8280, 7680}));

    // Two columns of 31 along the right corridor, every 240 from 2400 to 9600.
    std::map<float, std::set<float>> columns;
    for (int i = 3; i <= 64; ++i) {
        columns[at(i).first].insert(at(i).second);
    }
    ASSERT_EQ(columns.size(), 2U);
    for (const auto& [left, tops] : columns) {
        EXPECT_TRUE(left == 9600 || left == 11280);
        EXPECT_EQ(tops.size(), 31U);
        EXPECT_EQ(*tops.begin(), 2400);
        EXPECT_EQ(*tops.rbegin(), 9600);
    }

    // No two keys share a place, none lies in the goal, all are small yellow circles.
    std::set<std::pair<float, float>> places;
    const RECT goal = RectOf(level.shpGoal);
    RECT hit;
    for (std::int16_t i = 0; i <= level.Key.UBound(); ++i) {
        const Shape& k = level.Key.Item(i);
        EXPECT_TRUE(places.insert({k.Left, k.Top}).second) << "key " << i;
        EXPECT_EQ(IntersectRect(hit, RectOf(k), goal), 0) << "key " << i;
        EXPECT_EQ(k.Width, 255);
        EXPECT_EQ(k.Kind, kCircle);
        EXPECT_EQ(k.FillColor, kYellow);
    }
}

TEST(LevelField, SafePathIsOneUnbrokenChainToTheGoal)
{
    const Level level;
    std::set<std::pair<int, int>> safe;  // (column, row) on the 480 grid
    for (std::int16_t i = 0; i <= level.Balls14.UBound(); ++i) {
        if (!level.Balls14.Has(i)) {
            continue;
        }
        const Shape& b = level.Balls14.Item(i);
        ASSERT_EQ((static_cast<int>(b.Left) - 3000) % 480, 0);
        ASSERT_EQ((static_cast<int>(b.Top) - 2520) % 480, 0);
        safe.insert({(static_cast<int>(b.Left) - 3000) / 480, (static_cast<int>(b.Top) - 2520) / 480});
    }
    ASSERT_EQ(safe.size(), 34U);
    auto neighbours = [&](std::pair<int, int> c) {
        int n = 0;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            n += safe.count({c.first + dx, c.second + dy}) ? 1 : 0;
        }
        return n;
    };
    const std::pair<int, int> entry{(8280 - 3000) / 480, 9};  // the bottom row, over the key block
    const std::pair<int, int> exit{0, (4920 - 2520) / 480};   // just above the goal
    ASSERT_TRUE(safe.count(entry));
    ASSERT_TRUE(safe.count(exit));
    for (const auto& cell : safe) {
        EXPECT_EQ(neighbours(cell), cell == entry || cell == exit ? 1 : 2)
            << "cell " << cell.first << "," << cell.second << " breaks or branches the path";
    }
    // Walk it: an unbranched chain that visits every cell reaches the exit.
    std::set<std::pair<int, int>> seen{entry};
    std::pair<int, int> at = entry;
    while (at != exit) {
        bool moved = false;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const std::pair<int, int> next{at.first + dx, at.second + dy};
            if (safe.count(next) && !seen.count(next)) {
                seen.insert(next);
                at = next;
                moved = true;
                break;
            }
        }
        ASSERT_TRUE(moved);
    }
    EXPECT_EQ(seen.size(), 34U);
}

TEST(LevelField, FillsTheGridAroundTheGoal)
{
    const Level level;
    std::set<std::pair<float, float>> cells;
    for (const ControlGroup* g : {&level.Balls13, &level.Balls14}) {
        for (std::int16_t i = 0; i <= g->UBound(); ++i) {
            if (g->Has(i)) {
                const Shape& b = g->Item(i);
                EXPECT_TRUE(cells.insert({b.Left, b.Top}).second);
                EXPECT_EQ(b.Width, 495);
                EXPECT_EQ(b.FillColor, g == &level.Balls13 ? kBlue : kDarkBlue);
            }
        }
    }
    EXPECT_EQ(cells.size(), 113U);

    // Exactly seven field balls reach 15 twips over the goal's top or right edge.
    const RECT goal = RectOf(level.shpGoal);
    RECT hit;
    std::set<std::pair<int, int>> overGoal;
    for (const auto& [group, g] : {std::pair{13, &level.Balls13}, std::pair{14, &level.Balls14}}) {
        for (std::int16_t i = 0; i <= g->UBound(); ++i) {
            if (g->Has(i) && IntersectRect(hit, RectOf(g->Item(i)), goal)) {
                overGoal.insert({group, i});
                EXPECT_TRUE(hit.right - hit.left == 15 || hit.bottom - hit.top == 15);
            }
        }
    }
    const std::set<std::pair<int, int>> expected{{14, 10}, {13, 69}, {13, 68}, {13, 67}, {13, 43}, {13, 47}, {13, 48}};
    EXPECT_EQ(overGoal, expected);
}

TEST(LevelBalls, ColoursTellNothingOfDanger)
{
    const Level level;
    for (const Shape* b : {&level.Balls8, &level.Balls9, &level.Balls11}) {
        EXPECT_EQ(b->FillColor, kDarkBlue);
    }
    for (const Shape* b : {&level.Balls4, &level.Balls6, &level.Balls7, &level.Balls10, &level.Balls12}) {
        EXPECT_EQ(b->FillColor, kBlue);
    }
    EXPECT_EQ(level.Balls4.Width, 495);
    EXPECT_EQ(level.Balls5.Item(1).Width, 495);
    EXPECT_EQ(RectOf(level.Balls10), RectOf(level.Balls11));
    EXPECT_EQ(RectOf(level.Balls9), RectOf(level.Balls12));
}

TEST(LevelLabels, StartWithTheirCaptionsOnOneCentreLine)
{
    const Level level;
    EXPECT_EQ(level.lblDeaths.Caption, "DEATHS");
    EXPECT_EQ(level.Deaths.Caption, "0");
    EXPECT_EQ(level.lblTime.Caption, "TIME");
    EXPECT_EQ(level.Time.Caption, "0");
    for (const Label* l : {&level.lblDeaths, &level.Deaths, &level.lblTime, &level.Time}) {
        ASSERT_NE(l->layout, nullptr);
        EXPECT_DOUBLE_EQ(l->layout->left + l->layout->width / 2.0, 13627.5);
    }
    EXPECT_TRUE(level.Deaths.layout->opaque);
    EXPECT_FALSE(level.lblTime.layout->opaque);
}

std::size_t Position(ControlName name, std::int16_t index)
{
    const auto& order = DesignOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].name == name && order[i].index == index) {
            return i;
        }
    }
    return order.size();
}

TEST(LevelDesignOrder, ListsEveryControlOnceAndStacksAsLaidOut)
{
    const Level level;
    const auto& order = DesignOrder();
    EXPECT_EQ(order.size(), 324U + 4U);
    std::set<std::pair<ControlName, std::int16_t>> seen;
    for (const ControlRef& c : order) {
        EXPECT_TRUE(seen.insert({c.name, c.index}).second) << NameOf(c.name) << " " << c.index;
        if (IsLabel(c.name)) {
            EXPECT_NE(level.FindLabel(c.name), nullptr);
        } else {
            EXPECT_NE(level.Find(c.name, c.index), nullptr) << NameOf(c.name) << " " << c.index;
        }
    }
    using C = ControlName;
    // Earlier is drawn on top.
    EXPECT_LT(Position(C::Key, 70), Position(C::Square, kSingle));
    EXPECT_LT(Position(C::Square, kSingle), Position(C::Start, kSingle));
    EXPECT_LT(Position(C::Balls10, kSingle), Position(C::Balls11, kSingle));
    EXPECT_LT(Position(C::Balls9, kSingle), Position(C::Balls12, kSingle));
    EXPECT_LT(Position(C::Rest2, kSingle), Position(C::Wall, 3));
    EXPECT_LT(Position(C::Rest, kSingle), Position(C::Wall, 3));
    EXPECT_LT(Position(C::Balls14, 27), Position(C::Balls14, 34));
    EXPECT_LT(Position(C::Balls14, 29), Position(C::Balls14, 26));
    EXPECT_EQ(Position(C::Balls14, 28), order.size());
    EXPECT_EQ(order.front().name, C::Key);
    EXPECT_EQ(order.front().index, 154);
    EXPECT_EQ(order.back().name, C::Balls12);
}

}  // namespace
}  // namespace dravik
