// The wall push-out and the overlap test under it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "game/form.h"
#include "level/fatal_error.h"
#include "probe.h"

namespace dravik {
namespace {

std::pair<float, float> PushOut(Form& form, float left, float top)
{
    Place(form.Square, left, top);
    FormProbe::CheckWalls(form);
    return {form.Square.Left, form.Square.Top};
}

using Point = std::pair<float, float>;

TEST(Overlap, TouchingEdgesDoNotOverlap)
{
    RECT hit{1, 1, 1, 1};
    EXPECT_EQ(IntersectRect(hit, {0, 0, 10, 10}, {10, 0, 20, 10}), 0);
    EXPECT_EQ(hit, RECT{});
    EXPECT_EQ(IntersectRect(hit, {0, 0, 10, 10}, {10, 10, 20, 20}), 0);
    EXPECT_EQ(IntersectRect(hit, {0, 0, 10, 10}, {5, 5, 5, 8}), 0);  // zero width overlaps nothing
    EXPECT_EQ(IntersectRect(hit, {0, 0, 10, 10}, {9, 9, 20, 20}), 1);
    EXPECT_EQ(hit, (RECT{9, 9, 10, 10}));
}

TEST(Overlap, RectangleEdgesAreRoundedSumsTiesToEven)
{
    Shape s;
    s.Left = 0.5F;
    s.Top = 1.5F;
    s.Width = 2.0F;
    s.Height = 1.0F;
    // right is round(2.5) = 2, not round(0.5) + round(2) = 2; bottom round(2.5) = 2.
    EXPECT_EQ(RectOf(s), (RECT{0, 2, 2, 2}));
    s.Width = 2.25F;  // 2.75 rounds to 3, where the sum of rounded parts would give 2
    EXPECT_EQ(RectOf(s).right, 3);
}

TEST(Overlap, TheFastTestAgreesWithRectOfAndIntersectRect)
{
    std::mt19937 random(2024);
    auto coordinate = [&] {
        // Whole twips, halves (ties), quarters and the odd large value.
        const int whole = static_cast<int>(random() % 24000) - 12000;
        const float fraction = std::array<float, 4>{0.0F, 0.5F, 0.25F, -0.5F}[random() % 4];
        return static_cast<float>(whole) + fraction;
    };
    const RECT player{960, 10560, 1335, 10935};
    for (int i = 0; i < 200000; ++i) {
        Shape s;
        s.Left = coordinate();
        s.Top = coordinate();
        s.Width = static_cast<float>(random() % 800) + (random() % 2 ? 0.5F : 0.0F);
        s.Height = static_cast<float>(random() % 800) + (random() % 2 ? 0.5F : 0.0F);
        if (i % 3 == 0) {  // near the player, so that many of them overlap or touch
            s.Left = 600 + static_cast<float>(random() % 1200) / 2;
            s.Top = 10200 + static_cast<float>(random() % 1200) / 2;
        }
        RECT fastObj, fastHit, obj, hit;
        const bool fast = OverlapTest(s, player, fastObj, fastHit);
        obj = RectOf(s);
        const bool plain = IntersectRect(hit, player, obj) != 0;
        ASSERT_EQ(fast, plain) << s.Left << " " << s.Top << " " << s.Width << " " << s.Height;
        ASSERT_EQ(fastObj, obj);
        ASSERT_EQ(fastHit, hit);
    }
    Shape far;
    far.Left = -2147483648.0F;  // the one value that converts to INT32_MIN legitimately
    far.Width = 10;
    RECT obj, hit;
    EXPECT_FALSE(OverlapTest(far, player, obj, hit));
    EXPECT_EQ(obj.left, INT32_MIN);
    far.Left = 3.0e9F;
    EXPECT_THROW(OverlapTest(far, player, obj, hit), FatalError);
}

// A scan passes over shapes side by side only up to the first one that the
// overlap test, run on its own, finds in contact or cannot build (or whose
// edge is the lowest 32-bit value); it may stop sooner only at a shape within
// a twip of the player or with an edge beyond 2^30. A group with a gap is
// never passed over.
TEST(Overlap, AScanPassesOverExactlyTheShapesWithoutContact)
{
    std::mt19937 random(7);
    const RECT player{960, 10560, 1335, 10935};
    const RECT near{959, 10559, 1336, 10936};  // the player grown by a twip
    std::vector<Shape> shapes(3000);
    for (Shape& s : shapes) {
        const unsigned pick = random() % 400;
        s.Left = static_cast<float>(random() % 20000) - 4000 + (pick % 2 ? 0.5F : 0.0F);
        s.Top = static_cast<float>(random() % 20000) - 4000;
        s.Width = static_cast<float>(random() % 600);
        s.Height = static_cast<float>(random() % 600) + (pick % 3 ? 0.5F : 0.0F);
        if (pick < 12) {  // about the player: overlapping, touching or just clear
            s.Left = 960 - s.Width + static_cast<float>(random() % 5) - 2;
            s.Top = 10560 + static_cast<float>(random() % 300);
        } else if (pick == 12) {
            s.Top = 3.0e9F;
        } else if (pick == 13) {
            s.Height = std::numeric_limits<float>::quiet_NaN();
        } else if (pick == 14) {
            s.Left = -2147483648.0F;  // rounds to INT32_MIN, a legitimate edge
        }
    }
    auto touches = [&](std::size_t i, const RECT& around) {
        try {
            RECT hit;
            const RECT obj = RectOf(shapes[i]);
            return IntersectRect(hit, around, obj) != 0 ||
                   obj.left == INT32_MIN;  // the lowest edge is left to the exact test
        } catch (const FatalError&) {
            return true;
        }
    };
    const auto last = static_cast<std::int16_t>(shapes.size() - 1);
    std::size_t expected = shapes.size() - 1, contacts = 0, early = 0;
    for (std::size_t first = shapes.size(); first-- > 0;) {
        if (touches(first, player)) {
            expected = first;
            ++contacts;
        }
        const auto next =
            static_cast<std::size_t>(NextContact(shapes.data(), static_cast<std::int16_t>(first), last, player));
#if defined(__SSE2__) || defined(__wasm_simd128__)
        ASSERT_GE(next, first);
        ASSERT_LE(next, expected) << "from " << first;
        if (next < expected) {
            ASSERT_TRUE(touches(next, near) || std::fabs(shapes[next].Top) > 1.0e9F) << "from " << first;
            ++early;
        }
#else
        ASSERT_EQ(next, first);
#endif
    }
    EXPECT_GT(contacts, 20U) << "too few contacts to prove anything";
    EXPECT_LT(early, shapes.size() / 10) << "the scan passes over too little";

    ControlGroup gap;
    gap.Add(0, Shape{});
    gap.Add(2, Shape{});
    EXPECT_EQ(gap.Contiguous(), nullptr);
    gap = ControlGroup{};
    gap.Add(0, Shape{});
    gap.Add(1, Shape{});
    EXPECT_EQ(gap.Contiguous(), &gap.Item(0));
}

TEST(CheckWalls, WorkedExamplesLandExactly)
{
    Form form;
    EXPECT_EQ(PushOut(form, 960, 11400), (Point{960, 11385}));  // the floor
    EXPECT_EQ(form.PushUp, 15);
    EXPECT_EQ(form.PushDown, 390);
    EXPECT_EQ(form.PushRight, 10575);
    EXPECT_EQ(form.PushLeft, 1215);
    EXPECT_EQ(PushOut(form, 120, 10560), (Point{150, 10560}));  // the left wall
    EXPECT_EQ(form.PushRight, 30);
    EXPECT_EQ(PushOut(form, 120, 9840), (Point{150, 9870}));  // the corner, two walls in one scan
    EXPECT_EQ(form.PushUp, 405);
    EXPECT_EQ(form.PushDown, 1905);
    EXPECT_EQ(form.PushRight, 30);
    EXPECT_EQ(form.PushLeft, 375);
}

TEST(CheckWalls, TouchingAWallIsNoOverlap)
{
    Form form;
    EXPECT_EQ(PushOut(form, 150, 10560), (Point{150, 10560}));
}

TEST(CheckWalls, TiesGoUpThenDownThenRightThenLeft)
{
    Form form;
    // One wall alone: move the others far away.
    for (std::int16_t i = 1; i <= 15; ++i) {
        Place(form.Wall.Item(i), 100000, 100000);
    }
    Shape& wall = form.Wall.Item(0);
    Place(wall, 5000, 5000);
    wall.Width = 1000;
    wall.Height = 1000;
    // PushUp = PushLeft = 15: up wins.
    EXPECT_EQ(PushOut(form, 4640, 4640), (Point{4640, 4625}));
    // PushDown = PushRight = 15: down wins.
    EXPECT_EQ(PushOut(form, 5985, 5985), (Point{5985, 6000}));
    // PushRight = PushLeft: right wins over left.
    wall.Height = 10000;
    wall.Width = 375;
    Place(wall, 5000, 0);
    EXPECT_EQ(PushOut(form, 5000, 5000), (Point{5375, 5000}));
}

TEST(CheckWalls, LaterWallsUseTheEntryRectangleButTheCurrentPosition)
{
    Form form;
    // Bottom-right corner: the floor pushes up first, then Wall 3 pushes left.
    EXPECT_EQ(PushOut(form, 11160, 11400), (Point{11145, 11385}));

    // A wall the entry rectangle overlapped is still resolved after an earlier
    // wall carried the player clear of it: the player is set against its edge.
    for (std::int16_t i = 2; i <= 15; ++i) {
        Place(form.Wall.Item(i), 100000, 100000);
    }
    Shape& first = form.Wall.Item(0);
    Shape& second = form.Wall.Item(1);
    Place(first, 1000, 970);
    first.Width = 1000;
    first.Height = 30;  // overlaps the player's top by 10: pushes it down to 1000
    Place(second, 1000, 985);
    second.Width = 1000;
    second.Height = 10;  // overlapped at entry; clear of the pushed player by 5
    // PushDown is -5, the smallest: the player is set back against its bottom edge.
    EXPECT_EQ(PushOut(form, 1300, 990), (Point{1300, 995}));
    EXPECT_EQ(form.PushDown, -5);
}

TEST(CheckWalls, AWallOnlyTheCorrectedPositionOverlapsWaitsForTheNextTick)
{
    Form form;
    for (std::int16_t i = 2; i <= 15; ++i) {
        Place(form.Wall.Item(i), 100000, 100000);
    }
    Shape& first = form.Wall.Item(0);
    Shape& second = form.Wall.Item(1);
    Place(first, 1000, 1300);
    first.Width = 1000;
    first.Height = 30;  // the player's bottom at 1315: pushed up to Top 925
    Place(second, 1000, 900);
    second.Width = 1000;
    second.Height = 30;  // 900..930: the entry rectangle (top 940) misses it, the pushed one does not
    EXPECT_EQ(PushOut(form, 1300, 940), (Point{1300, 925}));
    FormProbe::CheckWalls(form);  // the next check resolves it
    EXPECT_EQ(form.Square.Top, 930);
}

}  // namespace
}  // namespace dravik
