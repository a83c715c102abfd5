// The session every front end drives: watching a run and going on live, the
// recording it keeps and where that ends, and what it says after each tick.
#include "run/session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run/check.h"
#include "run/recorder.h"
#include "run/run_file.h"
#include "run/run_text.h"
#include "support/subprocess.h"

namespace dravik::run {
namespace {

Script Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseScript(in);
}

// The recording checks out: read back, it replays to its own final line and
// every hash on the way.
void ExpectVerifies(const std::string& text)
{
    const Script script = Parse(text);
    ASSERT_FALSE(script.error) << script.error->message;
    std::string error;
    const std::optional<Outcome> outcome = CheckRun(script, error);
    ASSERT_TRUE(outcome) << error;
    EXPECT_TRUE(outcome->endMatches) << outcome->endState;
    EXPECT_FALSE(outcome->astray);
}

// A watched run plays its own events and turns the player's away; at its
// end the arrows it still holds are let go (Left, Up, Right, Down) before
// the next tick, and play is live. The recording is everything applied, in
// place; it ends with the state after its last tick, whatever came since.
TEST(Session, WatchesARunThenGoesOnLiveAndRecordsBoth)
{
    Session session;
    // Up and Right held at the end, Right pressed twice, a letter typed.
    session.Watch({{1, EventKind::KeyDown, 39},
                   {2, EventKind::KeyDown, 65},
                   {3, EventKind::KeyDown, 38},
                   {4, EventKind::KeyDown, 39},
                   {5, EventKind::Clock}},
                  6);
    EXPECT_TRUE(session.Watching());
    EXPECT_FALSE(session.Press(vbKeyLeft));
    EXPECT_FALSE(session.Reset());
    TickReport report;
    for (int t = 1; t <= 6; ++t) {
        EXPECT_FALSE(report.replayEnded);
        report = session.Tick();
    }
    EXPECT_TRUE(report.replayEnded);
    EXPECT_FALSE(session.Watching());
    EXPECT_EQ(session.Game().MoveX, 0);
    EXPECT_EQ(session.Game().MoveY, 0);
    EXPECT_EQ(session.Game().Time.Caption, "1");
    EXPECT_EQ(session.Game().Square.Left, 960 + 6 * 30);

    EXPECT_FALSE(session.Press(65));  // no key but an arrow is taken
    EXPECT_TRUE(session.Press(vbKeyDown));
    EXPECT_TRUE(session.Reset());
    // The state after the last tick, with the arrows held then.
    EXPECT_TRUE(session.FinalState().starts_with(R"({"tick": 6, "square": [1140, 10440], "moves": [30, -30],)"))
        << session.FinalState();
    const std::vector<Event> expected = {
        {1, EventKind::KeyDown, 39}, {3, EventKind::KeyDown, 38}, {4, EventKind::KeyDown, 39}, {5, EventKind::Clock},
        {7, EventKind::KeyUp, 38},   {7, EventKind::KeyUp, 39},   {7, EventKind::KeyDown, 40}, {7, EventKind::Reset},
    };
    EXPECT_EQ(session.Logged(), expected);
    ExpectVerifies(session.RunText(RunHeader("test", "now")));

    // Live from here, with a hash every 640 ticks: a run file that proves
    // itself on the way, and equals what a recorder wrote as it went.
    support::ScratchDir dir;
    const std::string path = (dir.path() / "run.txt").string();
    std::string error;
    Session live;
    std::unique_ptr<Recorder> recorder = Recorder::Create(path, RunHeader("test", "now"), error);
    ASSERT_NE(recorder, nullptr) << error;
    live.SetSink(recorder.get());
    for (int t = 1; t <= 1300; ++t) {
        if (t % 100 == 1) {
            live.Press(t % 200 == 1 ? vbKeyUp : vbKeyDown);
        }
        live.Tick();
    }
    live.Press(vbKeyRight);
    recorder->Finish(live);
    EXPECT_FALSE(recorder->Failed());
    std::ifstream file(path);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, live.RunText(RunHeader("test", "now")));
    EXPECT_EQ(Parse(written).hashes.size(), 2U);
    ExpectVerifies(written);
    EXPECT_FALSE(Recorder::Create(path, "", error));
    EXPECT_NE(error.find("exists already"), std::string::npos) << error;
}

// A recording ends by itself at the longest run and before an event beyond
// the most a run holds: whole and verifiable, said once, and play goes on.
TEST(Session, EndsItsRecordingAtEachLimitAndStaysVerifiable)
{
    struct Sink : LogSink {
        std::vector<std::string> said;
        void Logged(const Event&) override {}
        void Hashed(std::uint64_t, std::uint64_t) override {}
        void Ended(const std::string&, const std::string& why) override { said.push_back(why); }
    };
    for (const Limits limits : {Limits{5, 1000}, Limits{1000, 30}}) {
        Sink sink;
        Session session(Session::Log::Kept, limits);
        session.SetSink(&sink);
        for (int t = 1; t <= 40; ++t) {
            session.Press(t % 2 == 0 ? vbKeyRight : vbKeyLeft);
            session.Tick();
        }
        EXPECT_TRUE(session.LogEnded());
        ASSERT_EQ(sink.said.size(), 1U);
        EXPECT_LE(session.Logged().size(), limits.events);
        EXPECT_EQ(session.Ticks(), 40U);  // play went on
        const std::string text = session.RunText("");
        ExpectVerifies(text);
        std::string error;
        const Script script = Parse(text);
        EXPECT_EQ(RunEnd(script, error), std::optional<std::uint64_t>(limits.events == 5 ? 5 : 30)) << error;
    }
    EXPECT_EQ(Limits{}.events, kMostEvents);
    EXPECT_EQ(Limits{}.ticks, kLongestRun);
}

// After each tick: the deaths in it, a win and the stretch it ended, counted
// from the start, the last RESET or the last win.
TEST(Session, ReportsDeathsWinsAndTheStretchTheyBelongTo)
{
    Form start;
    start.Square.Left = 2280;  // on Balls(0): a death in the first tick
    start.Square.Top = 9840;
    Session session(start, Session::Log::None);
    EXPECT_EQ(session.Tick().deaths, 1U);
    for (int t = 0; t < 9; ++t) {
        EXPECT_EQ(session.Tick().deaths, 0U);
    }
    EXPECT_EQ(session.Current().ticks, 10U);
    EXPECT_EQ(session.Current().deaths, 1U);
    EXPECT_EQ(session.KeysLeft(), 155);
    session.Play({{11, EventKind::Reset}});
    session.Tick();
    EXPECT_EQ(session.Current().ticks, 1U);
    EXPECT_EQ(session.Current().deaths, 0U);

    // Every key taken and the player in the goal: the next tick wins.
    Form& game = session.Arrange();
    for (std::int16_t i = 0; i <= game.Key.UBound(); ++i) {
        game.Key.Item(i).Visible = false;
    }
    EXPECT_EQ(session.KeysLeft(), 0);
    game.Square.Left = 3600;
    game.Square.Top = 6000;
    EXPECT_TRUE(session.Tick().won);
    ASSERT_TRUE(session.LastWin());
    EXPECT_EQ(session.LastWin()->tick, 12U);
    EXPECT_EQ(session.LastWin()->stretch.ticks, 2U);
    EXPECT_EQ(session.LastWin()->stretch.deaths, 0U);
    EXPECT_EQ(session.Current().ticks, 0U);
    EXPECT_EQ(session.Wins(), 1U);
    EXPECT_EQ(session.KeysLeft(), 155);
}

}  // namespace
}  // namespace dravik::run
