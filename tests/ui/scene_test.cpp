// The painted client area, probed pixel by pixel.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "game/form.h"
#include "scene_probe.h"
#include "ui/scene_damage.h"
#include "ui/scene_geometry.h"
#include "ui/scene_painter.h"
#include "ui/screenshot.h"

namespace dravik::ui {
namespace {

using namespace probe;

// Centre of a shape, in twips.
QPointF Centre(const Shape& s)
{
    return {s.Left + s.Width / 2.0, s.Top + s.Height / 2.0};
}

QRgb AtCentre(const QImage& frame, const Shape& s)
{
    return At(frame, Centre(s).x(), Centre(s).y());
}

class SceneAtScale : public ::testing::TestWithParam<double> {};

// The same layout at every scale factor: each probe lands on the same colour.
TEST_P(SceneAtScale, StartPositionHasEveryPieceInItsPlace)
{
    const Level level;
    const QImage frame = RenderScene(level, GetParam());
    EXPECT_EQ(frame.size(), QSize(std::ceil(1047 * GetParam()), std::ceil(830 * GetParam())));
    EXPECT_EQ(At(frame, 15, 15), kCyan);
    EXPECT_EQ(At(frame, 15690, 12435), kCyan);
    EXPECT_EQ(AtCentre(frame, level.Square), kRed);
    EXPECT_EQ(At(frame, 500, 11000), kPaleGreen);  // Start
    EXPECT_EQ(At(frame, 5000, 11775), kBlack);     // Wall 1
    EXPECT_EQ(AtCentre(frame, level.Key.Item(0)), kYellow);
    EXPECT_EQ(AtCentre(frame, level.Balls13.Item(0)), kBlue);
    EXPECT_EQ(AtCentre(frame, level.Balls14.Item(4)), kDarkBlue);
    EXPECT_EQ(AtCentre(frame, level.Balls9), kDarkBlue);
    EXPECT_EQ(AtCentre(frame, level.shpGoal), kPaleGreen);
    EXPECT_EQ(At(frame, 12300, 3400), kWhite);  // inside the DEATHS counter, left of its digit
}

// Edges fall on whole device pixels: across the zone Rest, a row holds only
// background, outline and fill, with the outline inside the zone's bounds.
TEST_P(SceneAtScale, RectanglesAreCrispWithTheirOutlineInside)
{
    const double ratio = GetParam();
    const Level level;
    const QImage frame = RenderScene(level, ratio);
    const int y = static_cast<int>(10800 / 15.0 * ratio);
    const int left = static_cast<int>(std::lround(9600 / 15.0 * ratio));
    const int outline = std::max(1, static_cast<int>(std::lround(ratio)));
    EXPECT_EQ(frame.pixel(left - 1, y) | 0xff000000u, kCyan);
    for (int i = 0; i < outline; ++i) {
        EXPECT_EQ(frame.pixel(left + i, y) | 0xff000000u, kBlack);
    }
    EXPECT_EQ(frame.pixel(left + outline, y) | 0xff000000u, kPaleGreen);
    std::set<QRgb> seen;
    for (int x = static_cast<int>(9000 / 15.0 * ratio); x < static_cast<int>(11400 / 15.0 * ratio); ++x) {
        seen.insert(frame.pixel(x, y) | 0xff000000u);
    }
    EXPECT_EQ(seen, (std::set<QRgb>{kCyan, kBlack, kPaleGreen}));
}

INSTANTIATE_TEST_SUITE_P(Scales, SceneAtScale, ::testing::Values(0.5, 0.6, 0.75, 0.8, 0.9, 1.0, 1.25, 1.5, 2.0));

TEST(Scene, CirclesAreAntialiasedAndStayInTheirBox)
{
    const Level level;
    const QImage frame = RenderScene(level);
    const Shape& key = level.Key.Item(65);  // a key with nothing near it
    const QRect box(key.Left / 15, key.Top / 15, key.Width / 15, key.Height / 15);
    int blended = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb c = frame.pixel(x, y) | 0xff000000u;
            blended += c != kYellow && c != kBlack && c != kCyan;
        }
    }
    EXPECT_GT(blended, 8);
    for (int i = -1; i <= box.width(); ++i) {
        EXPECT_EQ(frame.pixel(box.left() + i, box.top() - 1) | 0xff000000u, kCyan);
        EXPECT_EQ(frame.pixel(box.left() + i, box.bottom() + 1) | 0xff000000u, kCyan);
        EXPECT_EQ(frame.pixel(box.left() - 1, box.top() + i) | 0xff000000u, kCyan);
        EXPECT_EQ(frame.pixel(box.right() + 1, box.top() + i) | 0xff000000u, kCyan);
    }
    EXPECT_EQ(frame.pixel(box.center()) | 0xff000000u, kYellow);
}

TEST(Scene, EarlierInTheDesignOrderIsDrawnOnTop)
{
    Level level;
    // Balls10 and Balls11 start on one rectangle, and so do Balls9 and
    // Balls12: Balls10 (blue) and Balls9 (dark blue) are on top.
    const QImage start = RenderScene(level);
    EXPECT_EQ(At(start, 9150, 7520), kBlue);  // beside the key over their centre
    EXPECT_EQ(AtCentre(start, level.Balls12), kDarkBlue);

    // Keys 68 to 70 and 71 to 154 lie over the player, the others under it.
    level.Square.Left = level.Key.Item(70).Left - 60;
    level.Square.Top = level.Key.Item(70).Top - 60;
    EXPECT_EQ(AtCentre(RenderScene(level), level.Key.Item(70)), kYellow);
    level.Square.Left = level.Key.Item(0).Left - 60;
    level.Square.Top = level.Key.Item(0).Top - 60;
    EXPECT_EQ(AtCentre(RenderScene(level), level.Key.Item(0)), kRed);

    // Wall 3 lies beneath Rest2: with Rest2 moved over the whole width of the
    // wall, the wall's pixels inside it are the zone's.
    level.Rest2.Left = 11400;
    const QImage frame = RenderScene(level);
    EXPECT_EQ(At(frame, 11540, 1000), kPaleGreen);
    EXPECT_EQ(At(frame, 11540, 5000), kBlack);  // outside Rest2, the wall

    // A hidden key is not drawn.
    level.Key.Item(1).Visible = false;
    EXPECT_EQ(AtCentre(RenderScene(level), level.Key.Item(1)), kCyan);
}

// The caption's black text, centred in the label and starting at its top, in
// the font size the label asks for.
QRect TextBox(const QImage& frame, const LabelRow& row)
{
    return BoxOf(frame, QRect(row.left / 15 + 2, row.top / 15 + 2, row.width / 15 - 4, row.height / 15 - 4), kBlack);
}

TEST(Scene, LabelsShowTheirCaptionCentredAtTheTop)
{
    Level level;
    struct Expect {
        const Label& label;
        int capHeightMin, capHeightMax;  // Arial's digits and capitals are 0.72 em high
    };
    // 27.75 pt and 48 pt at 96 dpi are 37 and 64 pixels to the em.
    const Expect labels[] = {
        {level.lblDeaths, 24, 30}, {level.Deaths, 42, 50}, {level.lblTime, 24, 30}, {level.Time, 42, 50}};
    level.Time.Caption = "32768";
    const QImage frame = RenderScene(level);
    for (const Expect& e : labels) {
        const LabelRow& row = *e.label.layout;
        const QRect text = TextBox(frame, row);
        ASSERT_FALSE(text.isEmpty()) << e.label.Caption;
        const double centre = (row.left + row.width / 2.0) / 15.0;
        EXPECT_NEAR(text.center().x() + 0.5, centre, 3.0) << e.label.Caption;
        EXPECT_GE(text.height(), e.capHeightMin) << e.label.Caption;
        EXPECT_LE(text.height(), e.capHeightMax) << e.label.Caption;
        EXPECT_LT(text.top() - row.top / 15, row.height / 15 / 3) << e.label.Caption;
    }
    EXPECT_GT(TextBox(frame, *level.Time.layout).width(), TextBox(frame, *level.Deaths.layout).width() * 3);
    // The headings are transparent, the counters white.
    EXPECT_EQ(At(frame, 11600, 1950), kCyan);
    EXPECT_EQ(At(frame, 12300, 7120), kWhite);
    // An empty caption leaves a bare white counter.
    level.Deaths.Caption.clear();
    EXPECT_TRUE(TextBox(RenderScene(level), *level.Deaths.layout).isEmpty());
}

// Paints only what the damage says changed, tick after tick, on one frame kept
// from the start; it must always equal a frame painted whole.
void PlayAndCompare(double ratio)
{
    Form form;
    QImage kept = RenderScene(form, ratio);
    SceneDamage damage;
    damage.Reset(form);
    ScenePainter painter;
    const double client = 1047.0 * 830.0;
    double area = 0;
    std::string deaths;
    for (int tick = 1; tick <= kScriptedTicks; ++tick) {
        if (tick == 1000) {
            deaths = form.Deaths.Caption;
        }
        BeforeScriptedTick(form, tick, true, [&] { form.mnuReset_Click(); });
        if (tick == 1001) {
            EXPECT_NE(form.Deaths.Caption, deaths);  // the field killed
        }
        if (tick == 1101) {
            EXPECT_TRUE(form.Key.Item(154).Visible);  // the win showed every key
        }
        form.tmrBall_Timer();
        const QRegion changed = damage.Collect(form);
        for (const QRect& r : changed) {
            area += r.width() * r.height();
        }
        QPainter p(&kept);
        p.setClipRegion(changed);
        painter.Paint(p, form, changed);
        p.end();
        if (tick % 250 == 0) {
            ASSERT_EQ(kept, RenderScene(form, ratio)) << "after tick " << tick << " at scale " << ratio;
        }
    }
    EXPECT_LT(area / 1500, client * 0.1);  // a tick repaints a small part
}

TEST(ScenePartialRepaint, MatchesAFullRepaintThroughoutPlay)
{
    PlayAndCompare(1.0);
    PlayAndCompare(1.25);
}

TEST(SceneDamage, ReportsOnlyWhatChanged)
{
    Form form;
    SceneDamage damage;
    EXPECT_EQ(damage.Collect(form).boundingRect(), QRect(0, 0, 1047, 830));  // nothing seen yet: all
    EXPECT_TRUE(damage.Collect(form).isEmpty());
    form.Time.Caption = "1";
    EXPECT_EQ(damage.Collect(form), QRegion(PaintBounds(TwipRectOf(*form.Time.layout))));
    form.Key.Item(5).Visible = false;
    const QRegion hidden = damage.Collect(form);
    EXPECT_EQ(hidden, QRegion(PaintBounds(TwipRectOf(form.Key.Item(5)))));
    form.Square.Left += 30;
    const QRegion moved = damage.Collect(form);
    EXPECT_TRUE(moved.contains(PaintBounds(TwipRectOf(form.Square))));
    EXPECT_TRUE(moved.contains(PaintBounds({960, 10560, 375, 375})));
    EXPECT_FALSE(moved.intersects(PaintBounds(TwipRectOf(form.Key.Item(0)))));
}

}  // namespace
}  // namespace dravik::ui
