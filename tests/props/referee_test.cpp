// The referee must notice a game that breaks its rules; otherwise a million
// quiet ticks of random play would prove nothing. Each case plays the real
// game with one fault slipped in after the tick or the event.
#include "support/referee.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "level/fatal_error.h"
#include "run/session.h"

namespace dravik::props {
namespace {

// Runs `ticks` healthy ticks, then one tick followed by the fault, and returns
// what the referee said about it ("" when it said nothing).
std::string Verdict(Form& form, const std::function<void(Form&)>& fault, int ticks = 3)
{
    Referee referee(form);
    try {
        for (int i = 0; i < ticks; ++i) {
            referee.Tick();
        }
        referee.SetTick([&](Form& f) {
            f.tmrBall_Timer();
            fault(f);
        });
        referee.Tick();
    } catch (const RuleBroken& e) {
        return e.what();
    }
    return "";
}

std::string Verdict(const std::function<void(Form&)>& fault)
{
    Form form;
    return Verdict(form, fault);
}

TEST(Referee, AcceptsTheRealGame)
{
    Form form;
    Referee referee(form);
    for (std::uint16_t code : {39, 40}) {
        referee.Deliver({1, run::EventKind::KeyDown, code});
    }
    for (int i = 0; i < 2000; ++i) {
        referee.Tick();  // throws if anything is wrong
    }
    referee.Deliver({1, run::EventKind::Clock, 0});
    referee.Deliver({1, run::EventKind::Reset, 0});
    EXPECT_EQ(referee.Stats().ticks, 2000U);
    EXPECT_GT(referee.Stats().deaths, 0U);  // running right into the corridor's balls
}

TEST(Referee, CatchesBallsBreakingTheirRules)
{
    EXPECT_NE(Verdict([](Form& f) { f.VelBalls4X = 41; }).find("VelBalls4X is 41"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.VelBalls12X = 0; }).find("VelBalls12X is 0"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls8.Top = 9300; }).find("Balls8 at (1080, 9300) left the area"),
              std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls2.Item(3).Left += 80; }).find("Balls2(3)"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls1.Item(2).Left += 30; }).find("Balls1(2) at (5310, 11310) is out of line"),
              std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls6.Left += 0.5F; }).find("not on whole twips"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls13.Item(40).Top += 15; }).find("Balls13(40) moved"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Wall.Item(3).Left += 15; }).find("Wall(3) moved"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Balls10.Visible = false; }).find("only keys ever hide"), std::string::npos);
}

TEST(Referee, CatchesKeysBreakingTheirRules)
{
    // Key 0 lies at (3480, 10680); the player stands on it and keeps it shown.
    Form onKey;
    onKey.Square.Left = 3420;
    onKey.Square.Top = 10620;
    EXPECT_NE(Verdict(onKey, [](Form& f) { f.Key.Item(0).Visible = true; }).find("Key(0) is still visible"),
              std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Key.Item(100).Visible = false; }).find("Key(100) hid though"), std::string::npos);

    Form collected;
    collected.Key.Item(7).Visible = false;
    EXPECT_NE(Verdict(collected, [](Form& f) { f.Key.Item(7).Visible = true; }).find("showed again"),
              std::string::npos);

    // A win that comes with keys still to collect.
    Form early;
    Referee referee(early);
    referee.SetTick([&referee](Form& f) {
        f.tmrBall_Timer();
        referee.Show(kWinPrompt);
    });
    try {
        referee.Tick();
        ADD_FAILURE() << "a win with every key visible went unnoticed";
    } catch (const RuleBroken& e) {
        EXPECT_NE(std::string(e.what()).find("a win with a key still visible"), std::string::npos);
    }
}

TEST(Referee, CatchesThePlayerAndTheCountersBreakingTheirRules)
{
    Form dead;
    dead.Deaths.Caption = "3";
    EXPECT_NE(Verdict(dead, [](Form& f) { f.Deaths.Caption = "2"; }).find("DEATHS fell"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Deaths.Caption = "0.5"; }).find("not a whole number"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Deaths.Caption = "01"; }).find("shortest form"), std::string::npos);
    // A death counted while the player stays where it was.
    EXPECT_NE(Verdict([](Form& f) {
                  f.Square.Left = 1500;
                  f.Deaths.Caption = "1";
              }).find("not one step from the start point"),
              std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Time.Caption = "1"; }).find("TIME changed"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.MoveX = 31; }).find("a player step is 31"), std::string::npos);
    EXPECT_NE(Verdict([](Form& f) { f.Square.Left = 90; }).find("outside the walled playing area"), std::string::npos);
    EXPECT_NE(Verdict([](Form&) { throw FatalError(FaultKind::Overflow, "overflow: test"); }).find("fatal error"),
              std::string::npos);
}

TEST(Referee, CatchesEventHandlersBreakingTheirRules)
{
    auto verdict = [](run::Event event, const std::function<void(Form&)>& fault) -> std::string {
        Form form;
        Referee referee(form);
        referee.Tick();
        referee.SetDeliver([&](Form& f, const run::Event& e) {
            run::Apply(f, e);
            fault(f);
        });
        try {
            referee.Deliver(event);
        } catch (const RuleBroken& e) {
            return e.what();
        }
        return "";
    };
    const run::Event right{1, run::EventKind::KeyDown, 39};
    const run::Event clock{1, run::EventKind::Clock, 0};
    const run::Event reset{1, run::EventKind::Reset, 0};
    EXPECT_EQ(verdict(right, [](Form&) {}), "");
    EXPECT_NE(verdict(right, [](Form& f) { f.Square.Left += 30; }).find("wrong state"), std::string::npos);
    EXPECT_NE(verdict(right, [](Form& f) { f.MoveX = -30; }).find("wrong state"), std::string::npos);
    EXPECT_NE(verdict({1, run::EventKind::KeyUp, 37}, [](Form& f) { f.MoveY = 30; }).find("wrong state"),
              std::string::npos);
    EXPECT_EQ(verdict(clock, [](Form&) {}), "");
    EXPECT_NE(verdict(clock, [](Form& f) { f.Time.Caption = "2"; }).find("TIME from 0 to 2"), std::string::npos);
    EXPECT_NE(verdict(clock, [](Form& f) { f.Key.Item(3).Visible = false; }).find("wrong state"), std::string::npos);
    EXPECT_EQ(verdict(reset, [](Form&) {}), "");
    EXPECT_NE(verdict(reset, [](Form& f) { f.Deaths.Caption = "1"; }).find("wrong state"), std::string::npos);
    EXPECT_NE(verdict(reset, [](Form& f) { f.VelBallsY = -30; }).find("wrong state"), std::string::npos);
}

}  // namespace
}  // namespace dravik::props
