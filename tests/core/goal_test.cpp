// Collecting keys and winning in the goal.
#include <gtest/gtest.h>

#include "game/form.h"
#include "probe.h"

namespace dravik {
namespace {

using Point = std::pair<float, float>;

constexpr float kInGoalLeft = 3500;
constexpr float kInGoalTop = 5900;

TEST(Keys, TouchingAKeyEdgeDoesNotCollectIt)
{
    Form form;
    const Shape& key = form.Key.Item(0);
    Place(form.Square, key.Left - form.Square.Width, key.Top);
    FormProbe::CheckKeys(form);
    EXPECT_TRUE(form.Key.Item(0).Visible);
    // A corner of the bounding square collects it, though the circle is not reached.
    Place(form.Square, key.Left - form.Square.Width + 10, key.Top - form.Square.Height + 10);
    FormProbe::CheckKeys(form);
    EXPECT_FALSE(form.Key.Item(0).Visible);
    EXPECT_EQ(VisibleKeys(form), 154);
}

TEST(Keys, OneCheckCollectsEveryKeyThePlayerOverlaps)
{
    Form form;
    Place(form.Square, 9640, 2500);  // 2500..2875 beside the column at Left 9600
    FormProbe::CheckKeys(form);
    EXPECT_FALSE(form.Key.Item(64).Visible);  // Top 2400
    EXPECT_FALSE(form.Key.Item(61).Visible);  // Top 2640
    EXPECT_TRUE(form.Key.Item(62).Visible);   // Top 2880: just below the player
    EXPECT_EQ(VisibleKeys(form), 153);
}

TEST(Goal, WithOneKeyLeftTheGoalDoesNothing)
{
    Form form;
    RecordingBox box(form);
    form.SetMessageBox(&box);
    HideAllKeys(form);
    form.Key.Item(77).Visible = true;
    Place(form.Square, kInGoalLeft, kInGoalTop);
    for (int i = 0; i < 5; ++i) {
        form.tmrBall_Timer();
    }
    EXPECT_TRUE(box.prompts.empty());
    EXPECT_EQ(VisibleKeys(form), 1);
    EXPECT_EQ((Point{form.Square.Left, form.Square.Top}), (Point{kInGoalLeft, kInGoalTop}));
}

TEST(Goal, WithEveryKeyTheLevelRestartsBeforeTheBoxOpens)
{
    Form form;
    RecordingBox box(form);
    form.SetMessageBox(&box);
    form.Deaths.Caption = "7";
    form.Time.Caption = "41";
    HideAllKeys(form);
    Place(form.Square, kInGoalLeft, kInGoalTop);
    form.Form_KeyDown(vbKeyRight, 0);
    form.tmrBall_Timer();
    ASSERT_EQ(box.prompts.size(), 1U);
    EXPECT_EQ(box.prompts[0], "YOU WIN");
    EXPECT_EQ(box.squareAtShow[0], (Point{960, 10560}));
    EXPECT_EQ(box.visibleKeysAtShow[0], 155);
    // The rest of the tick ran after the box: the held key stepped the player.
    EXPECT_EQ((Point{form.Square.Left, form.Square.Top}), (Point{990, 10560}));
    EXPECT_EQ(form.Deaths.Caption, "7");
    EXPECT_EQ(form.Time.Caption, "41");
    EXPECT_EQ(form.MoveX, 30);
}

TEST(Goal, TheLastKeyCountsFromTheNextTick)
{
    Form form;
    RecordingBox box(form);
    form.SetMessageBox(&box);
    HideAllKeys(form);
    Shape& last = form.Key.Item(3);
    last.Visible = true;
    Place(last, kInGoalLeft + 100, kInGoalTop + 100);  // a key set down inside the goal
    Place(form.Square, kInGoalLeft, kInGoalTop);
    form.tmrBall_Timer();
    EXPECT_TRUE(box.prompts.empty());  // the goal ran before the key was picked up
    EXPECT_EQ(VisibleKeys(form), 0);
    form.tmrBall_Timer();
    EXPECT_EQ(box.prompts.size(), 1U);
}

TEST(Goal, ADeathAfterCollectingEverythingMeansStartingOver)
{
    Form form;
    RecordingBox box(form);
    form.SetMessageBox(&box);
    HideAllKeys(form);
    Place(form.Square, 3300, 3600);  // into the field
    form.tmrBall_Timer();
    EXPECT_EQ(VisibleKeys(form), 155);
    Place(form.Square, kInGoalLeft, kInGoalTop);
    form.tmrBall_Timer();
    EXPECT_TRUE(box.prompts.empty());
}

TEST(Goal, WithoutABoxTheWinReturnsAtOnce)
{
    Form form;
    HideAllKeys(form);
    Place(form.Square, kInGoalLeft, kInGoalTop);
    form.tmrBall_Timer();
    EXPECT_EQ(VisibleKeys(form), 155);
    EXPECT_EQ(form.Square.Left, 960);
}

}  // namespace
}  // namespace dravik
