// dravik-sim: the event script, the trace it prints and how it fails.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "game/fatal_error.h"
#include "sim/runner.h"
#include "sim/script.h"
#include "sim/trace.h"
#include "sim/verify.h"
#include "support/subprocess.h"

namespace dravik::sim {
namespace {

Script Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseScript(in);
}

std::vector<nlohmann::json> Trace(const std::string& script, std::uint64_t ticks, std::uint64_t every)
{
    const Script parsed = Parse(script);
    EXPECT_FALSE(parsed.error) << parsed.error->message;
    Form form;
    std::ostringstream out;
    Run(form, parsed.events, RunOptions{ticks, every}, out);
    std::vector<nlohmann::json> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

TEST(Script, ReadsEventsSkippingBlanksAndComments)
{
    const Script s =
        Parse("# a comment\n\n  1 down 39\r\n1 up 39  \n   # indented comment\n5 reset\n5 clock\n9 down 65535\n");
    ASSERT_FALSE(s.error);
    ASSERT_EQ(s.events.size(), 5U);
    EXPECT_EQ(s.events[0].kind, EventKind::KeyDown);
    EXPECT_EQ(s.events[0].keyCode, 39);
    EXPECT_EQ(s.events[1].kind, EventKind::KeyUp);
    EXPECT_EQ(s.events[2].kind, EventKind::Reset);
    EXPECT_EQ(s.events[3].kind, EventKind::Clock);
    EXPECT_EQ(s.events[3].tick, 5U);
    EXPECT_EQ(s.events[4].keyCode, 65535);
}

TEST(Script, NamesTheFirstBadLine)
{
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"1 jump", "unknown event"},
        {"1 down", "missing key code"},
        {"1 down 39 40", "extra argument"},
        {"1 reset now", "extra argument"},
        {"1 down x", "not a number"},
        {"1 down 65536", "out of range"},
        {"1 down -1", "out of range"},
        {"0 clock", "below 1"},
        {"-3 clock", "below 1"},
        {"abc clock", "not a number"},
        {"99999999999999999999999 clock", "too large"},
        {"7", "missing event"},
    };
    for (const auto& [line, what] : bad) {
        const Script s = Parse("1 down 39\n# fine so far\n" + line + "\n2 up 39\n");
        ASSERT_TRUE(s.error) << line;
        EXPECT_EQ(s.error->line, 3) << line;
        EXPECT_NE(s.error->message.find(what), std::string::npos) << line << " -> " << s.error->message;
        EXPECT_TRUE(s.events.empty());
    }
    const Script backwards = Parse("5 down 39\n4 up 39\n");
    ASSERT_TRUE(backwards.error);
    EXPECT_EQ(backwards.error->line, 2);
    EXPECT_NE(backwards.error->message.find("smaller"), std::string::npos);
}

TEST(Script, GarbageNeverCrashesTheReader)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, '\0');
        for (char& c : text) {
            c = static_cast<char>(random() % 4 == 0 ? "0123456789 \n#-updownresetclock"[random() % 30] : random());
        }
        const Script s = Parse(text);
        if (s.error) {
            EXPECT_GE(s.error->line, 1);
            EXPECT_TRUE(s.events.empty());
        }
    }
}

// A hostile input of `size` bytes: `head`, then `unit` over and over, handed
// out 4 KB at a time. Counts what the reader takes and the most heap in use
// while it reads.
class HostileInput : public std::streambuf {
public:
    HostileInput(const std::string& head, const std::string& unit, std::size_t size) : size_(size)
    {
        chunk_ = head;
        while (chunk_.size() < 4096) {
            chunk_ += unit;
        }
        firstHead_ = chunk_;
        chunk_.clear();
        while (chunk_.size() < 4096) {
            chunk_ += unit;
        }
        baseline_ = HeapInUse();
    }
    std::size_t taken = 0;
    std::size_t heapGrowth = 0;

protected:
    int_type underflow() override
    {
        if (taken >= size_) {
            return traits_type::eof();
        }
        std::string& next = taken == 0 ? firstHead_ : chunk_;
        taken += next.size();
        heapGrowth = std::max(heapGrowth, HeapInUse() - std::min(HeapInUse(), baseline_));
        setg(next.data(), next.data(), next.data() + next.size());
        return traits_type::to_int_type(next[0]);
    }

private:
    static std::size_t HeapInUse()
    {
#if defined(__SANITIZE_ADDRESS__)
        return 0;  // the sanitizer keeps its own heap
#else
        return mallinfo2().uordblks;
#endif
    }
    std::size_t size_;
    std::size_t baseline_ = 0;
    std::string firstHead_, chunk_;
};

TEST(Script, StopsAtAHostileLongLineAfterReadingAFewKilobytes)
{
    struct Case {
        std::string head, unit;
        long line;
        std::size_t mostTaken;
    };
    const std::size_t forty = std::size_t{40} << 20;
    const Case cases[] = {
        {"1 down 39", " x", 1, 2 * 4096},                                   // fields without end
        {"", std::string(1, '\0'), 1, 2 * 4096},                            // /dev/zero
        {"1 down 39\n# a comment", " without end", 2, kMaxComment + 8192},  // a comment may be longer, not endless
    };
    for (const Case& c : cases) {
        HostileInput input(c.head, c.unit, forty);
        std::istream in(&input);
        const Script s = ParseScript(in);
        ASSERT_TRUE(s.error) << c.head;
        EXPECT_EQ(s.error->line, c.line) << c.head;
        EXPECT_NE(s.error->message.find("longer than"), std::string::npos) << s.error->message;
        EXPECT_TRUE(s.events.empty());
        EXPECT_LE(input.taken, c.mostTaken) << c.head << ": the reader went on reading the line";
        EXPECT_LT(input.heapGrowth, std::size_t{1} << 20) << c.head << ": the reader kept the line in memory";
    }
    // A line of exactly the longest length is still read.
    EXPECT_FALSE(Parse("1 down 39" + std::string(kMaxLine - 9, ' ') + "\n").error);
}

TEST(Trace, PrintsStateLinesOnMultiplesAndOnceAfterTheLastTick)
{
    const auto lines = Trace("", 10, 4);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0]["tick"], 4);
    EXPECT_EQ(lines[1]["tick"], 8);
    EXPECT_EQ(lines[2]["tick"], 10);
    EXPECT_EQ(Trace("", 8, 4).size(), 2U);  // the last tick is a multiple: printed once
    EXPECT_EQ(Trace("", 8, 0).size(), 1U);
}

TEST(Trace, StateLineHoldsTheWholeVisibleState)
{
    const auto lines = Trace("1 down 39\n2 clock\n", 2, 0);
    const nlohmann::json& s = lines.back();
    EXPECT_EQ(s["square"], nlohmann::json::parse("[1020, 10560]"));
    EXPECT_TRUE(s["square"][0].is_number_integer());
    EXPECT_EQ(s["moves"], nlohmann::json::parse("[30, 0]"));
    ASSERT_EQ(s["velocities"].size(), 17U);
    EXPECT_EQ(s["velocities"][0], 30);   // VelBallsY first
    EXPECT_EQ(s["velocities"][16], 80);  // VelBalls12X last
    ASSERT_EQ(s["balls"].size(), 13U);
    EXPECT_EQ(s["balls"]["Balls"].size(), 6U);
    EXPECT_EQ(s["balls"]["Balls5"].size(), 2U);
    EXPECT_EQ(s["balls"]["Balls12"], nlohmann::json::parse("[[320, 8880]]"));
    EXPECT_EQ(s["balls"]["Balls4"], nlohmann::json::parse("[[9080, 1200]]"));
    EXPECT_EQ(s["keys"].get<std::string>(), std::string(155, '1'));
    EXPECT_EQ(s["deaths"], "0");
    EXPECT_EQ(s["time"], "1");
    EXPECT_EQ(s["wins"], 0);
}

TEST(Trace, ReproducesTheTurnsOfThePatrols)
{
    const auto lines = Trace("", 433, 1);
    ASSERT_EQ(lines.size(), 433U);
    auto at = [&](int tick, const char* group) { return lines[static_cast<std::size_t>(tick - 1)]["balls"][group][0]; };
    EXPECT_EQ(at(53, "Balls"), nlohmann::json::parse("[2280, 11400]"));
    EXPECT_EQ(at(21, "Balls2"), nlohmann::json::parse("[11200, 9240]"));
    EXPECT_EQ(at(175, "Balls4"), nlohmann::json::parse("[2160, 1200]"));
    EXPECT_EQ(at(217, "Balls6"), nlohmann::json::parse("[600, 8880]"));
    EXPECT_EQ(at(433, "Balls7"), nlohmann::json::parse("[1080, 8880]"));
    EXPECT_EQ(lines[174]["velocities"][4], 40);  // Balls4 turned right in tick 175
}

TEST(Trace, PrintsTheWinInTheTickItHappens)
{
    Form form;
    for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
        form.Key.Item(i).Visible = false;
    }
    form.Square.Left = 3500;
    form.Square.Top = 5900;
    std::ostringstream out;
    EXPECT_EQ(sim::Run(form, {}, RunOptions{2, 1}, out), std::vector<std::uint64_t>{1});
    std::istringstream in(out.str());
    std::string win, first, second;
    std::getline(in, win);
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(win, R"({"tick": 1, "event": "win"})");
    const auto state = nlohmann::json::parse(first);
    EXPECT_EQ(state["tick"], 1);
    EXPECT_EQ(state["wins"], 1);
    EXPECT_EQ(state["keys"].get<std::string>(), std::string(155, '1'));
    EXPECT_EQ(state["square"], nlohmann::json::parse("[960, 10560]"));
    EXPECT_EQ(nlohmann::json::parse(second)["wins"], 1);
}

// A recorded run checks out against its own final line; a changed final
// line is named field by field; a file that is no recorded run is refused.
TEST(Verify, AcceptsTheRunsOwnEndAndNamesEachFieldThatDiffers)
{
    const std::string events = "1 down 39\n3 down 38\n5 clock\n7 up 39\n9 reset\n12 clock\n";
    const std::string final = "# final " + Trace(events, 20, 0).back().dump() + "\n";
    std::string error;
    const auto good = Verify(Parse(events + final + "\n"), error);
    ASSERT_TRUE(good) << error;
    EXPECT_TRUE(good->differences.empty());
    EXPECT_EQ(good->ticks, 20U);
    EXPECT_EQ(good->time, "1");

    auto changed = nlohmann::json::parse(final.substr(8));
    changed["deaths"] = "4";
    changed["balls"]["Balls4"][0][0] = 1;
    changed.erase("moves");
    const auto bad = Verify(Parse(events + "# final " + changed.dump()), error);
    ASSERT_TRUE(bad);
    std::map<std::string, std::pair<std::string, std::string>> fields;
    for (const Difference& d : bad->differences) {
        fields[d.field] = {d.expected, d.found};
    }
    ASSERT_EQ(fields.size(), 3U);
    EXPECT_EQ(fields["deaths"], std::make_pair(std::string(R"("4")"), std::string(R"("0")")));
    EXPECT_EQ(fields["balls.Balls4"].first.substr(0, 4), "[[1,");
    EXPECT_EQ(fields["moves"], std::make_pair(std::string("nothing"), std::string("[0,-30]")));

    for (const std::string& notRun :
         {std::string(""), events, events + "# final {\"tick\": -1}", events + "# final {\"tick\": 3, \"sq"}) {
        EXPECT_FALSE(Verify(Parse(notRun), error)) << notRun;
        EXPECT_FALSE(error.empty());
    }
    const Script twice = Parse(final + events + final);
    ASSERT_TRUE(twice.error);
    EXPECT_EQ(twice.error->line, 8);
}

TEST(Trace, ARunEndedByAFatalErrorLeavesNoBoxBehind)
{
    Form form;
    form.Balls8.Top = std::numeric_limits<float>::quiet_NaN();
    std::ostringstream out;
    EXPECT_THROW(sim::Run(form, {}, RunOptions{5, 1}, out), FatalError);
    // The run's box is gone; a later win on the same form must not reach it.
    form.Balls8.Top = 2400;
    for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
        form.Key.Item(i).Visible = false;
    }
    form.Square.Left = 3500;
    form.Square.Top = 5900;
    form.tmrBall_Timer();
    EXPECT_EQ(form.Square.Left, 960);
    EXPECT_TRUE(form.Key.Item(0).Visible);
}

TEST(Trace, CoordinatesPrintAsWholeNumbersOrShortestDecimals)
{
    EXPECT_EQ(Coordinate(960.0F), "960");
    EXPECT_EQ(Coordinate(-30.0F), "-30");
    EXPECT_EQ(Coordinate(0.5F), "0.5");
    EXPECT_EQ(Coordinate(0.1F), "0.1");
}

// Runs the real tool and returns its exit status, with stderr in `err`.
int RunTool(const std::string& args, const std::string& input, std::string& out, std::string& err)
{
    const support::Finished done = support::RunCommand(std::string(DRAVIK_SIM_PATH) + " " + args, input);
    out = done.out;
    err = done.err;
    return done.status;
}

TEST(Tool, ExitsTwoOnBadInputBeforeRunningATick)
{
    std::string out, err;
    EXPECT_EQ(RunTool("--ticks 5 --input -", "1 down 39\n2 dance\n", out, err), 2);
    EXPECT_EQ(err, "dravik-sim: line 2: unknown event \"dance\" (expected down, up, reset or clock)\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(RunTool("--input /nonexistent/script.txt", "", out, err), 2);
    EXPECT_NE(err.find("cannot read"), std::string::npos);
    EXPECT_EQ(RunTool("--ticks many", "", out, err), 2);
    EXPECT_EQ(RunTool("--bogus", "", out, err), 2);
    EXPECT_EQ(RunTool("--help", "", out, err), 0);
    EXPECT_NE(out.find("--ticks"), std::string::npos);
}

TEST(Tool, IgnoresEventsPastTheLastTick)
{
    std::string out, err;
    EXPECT_EQ(RunTool("--ticks 3 --every 1 --input -", "2 down 40\n9 up 40\n", out, err), 0);
    EXPECT_EQ(err, "");
    std::istringstream lines(out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(nlohmann::json::parse(line)["tick"], count + 1);
    }
    EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace dravik::sim
