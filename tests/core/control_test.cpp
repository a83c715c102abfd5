// The arrow keys, the seconds clock, the counters and RESET.
#include <gtest/gtest.h>

#include "game/form.h"
#include "level/fatal_error.h"
#include "probe.h"

namespace dravik {
namespace {

TEST(Keyboard, EachAxisFollowsItsLatestKeyDownAndStopsOnEitherKeyUp)
{
    Form form;
    form.Form_KeyDown(vbKeyRight, 0);
    EXPECT_EQ(form.MoveX, 30);
    form.Form_KeyDown(vbKeyLeft, 0);
    EXPECT_EQ(form.MoveX, -30);
    form.Form_KeyUp(vbKeyLeft, 0);  // Right is still held, but the axis stops
    EXPECT_EQ(form.MoveX, 0);
    form.Form_KeyDown(vbKeyRight, 0);  // a repeated key-down starts it again
    EXPECT_EQ(form.MoveX, 30);
    EXPECT_EQ(form.MoveY, 0);

    form.Form_KeyDown(vbKeyUp, 0);
    EXPECT_EQ(form.MoveY, -30);
    EXPECT_EQ(form.MoveX, 30);
    form.Form_KeyDown(vbKeyDown, 0);
    EXPECT_EQ(form.MoveY, 30);
    form.Form_KeyUp(vbKeyUp, 0);
    EXPECT_EQ(form.MoveY, 0);
    EXPECT_EQ(form.MoveX, 30);
    form.Form_KeyUp(vbKeyRight, 0);
    EXPECT_EQ(form.MoveX, 0);
}

TEST(Keyboard, ModifiersAndOtherKeysChangeNothing)
{
    Form form;
    form.Form_KeyDown(vbKeyRight, 1);  // with Shift
    EXPECT_EQ(form.MoveX, 30);
    for (int code : {0, 16, 32, 36, 41, 65, 90, -37, -1, 32767}) {
        form.Form_KeyDown(static_cast<std::int16_t>(code), 0);
        form.Form_KeyUp(static_cast<std::int16_t>(code), 0);
    }
    EXPECT_EQ(form.MoveX, 30);
    EXPECT_EQ(form.MoveY, 0);
}

TEST(Keyboard, DiagonalStepsMoveBothAxesEachTick)
{
    Form form;
    form.Form_KeyDown(vbKeyRight, 0);
    form.Form_KeyDown(vbKeyUp, 0);
    form.tmrBall_Timer();
    form.tmrBall_Timer();
    EXPECT_EQ(form.Square.Left, 1020);
    EXPECT_EQ(form.Square.Top, 10500);
}

TEST(Counters, CountOnAsTextWithNoSixteenBitLimit)
{
    Form form;
    form.tmrTime_Timer();
    EXPECT_EQ(form.Time.Caption, "1");
    for (const auto& [before, after] :
         std::vector<std::pair<std::string, std::string>>{{"41", "42"},
                                                          {"59", "60"},
                                                          {"99", "100"},
                                                          {"32767", "32768"},
                                                          {"65535", "65536"},
                                                          {"2147483647", "2147483648"},
                                                          {"99999", "100000"},
                                                          {"999999", "1000000"},
                                                          {"007", "8"},
                                                          {" 12 ", "13"},
                                                          {"1.5", "2.5"},
                                                          {"-1", "0"},
                                                          {"999999999999999", "1E+15"},
                                                          {"1E+15", "1.000000000000001E+15"},
                                                          {"1E+16", "1E+16"}}) {
        form.Time.Caption = before;
        form.tmrTime_Timer();
        EXPECT_EQ(form.Time.Caption, after);
    }
    Label deaths{"32767", nullptr};
    IncrementCounter(deaths);
    EXPECT_EQ(deaths.Caption, "32768");
}

TEST(Counters, ACaptionThatIsNotANumberIsFatal)
{
    Form form;
    for (const char* bad : {"", "abc", "12x", "--1", "0x10", "inf", "nan"}) {
        form.Time.Caption = bad;
        try {
            form.tmrTime_Timer();
            ADD_FAILURE() << "\"" << bad << "\" was counted";
        } catch (const FatalError& e) {
            EXPECT_EQ(e.kind(), FaultKind::TypeMismatch) << bad;
        }
    }
    form.Deaths.Caption = "x";
    Place(form.Square, form.Balls4.Left, form.Balls4.Top);
    EXPECT_THROW(form.tmrBall_Timer(), FatalError);
}

TEST(Reset, PutsThePlayerBackZeroesTheCountersAndShowsTheKeys)
{
    Form form;
    form.Form_KeyDown(vbKeyUp, 0);
    for (int i = 0; i < 40; ++i) {
        form.tmrBall_Timer();
    }
    form.Deaths.Caption = "12";
    form.Time.Caption = "345";
    HideAllKeys(form);
    const Form before = form;
    form.mnuReset_Click();
    EXPECT_EQ(form.Square.Left, 960);
    EXPECT_EQ(form.Square.Top, 10560);
    EXPECT_EQ(form.Deaths.Caption, "0");
    EXPECT_EQ(form.Time.Caption, "0");
    EXPECT_EQ(VisibleKeys(form), 155);
    EXPECT_EQ(form.MoveY, -30);
    EXPECT_EQ(form.Balls5.Item(0).Left, before.Balls5.Item(0).Left);
    EXPECT_EQ(form.VelBalls5X, before.VelBalls5X);
    EXPECT_EQ(form.Balls11.Top, before.Balls11.Top);
}

TEST(Reset, AfterAWinLeavesTheSamePictureWithZeroCounters)
{
    Form won;
    HideAllKeys(won);
    won.Deaths.Caption = "3";
    won.Square.Left = 3500;
    won.Square.Top = 5900;
    won.tmrBall_Timer();
    Form reset = won;
    reset.mnuReset_Click();
    EXPECT_EQ(reset.Square.Left, won.Square.Left);
    EXPECT_EQ(reset.Square.Top, won.Square.Top);
    EXPECT_EQ(VisibleKeys(reset), VisibleKeys(won));
    EXPECT_EQ(won.Deaths.Caption, "3");
    EXPECT_EQ(reset.Deaths.Caption, "0");
}

}  // namespace
}  // namespace dravik
