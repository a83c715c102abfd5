// dravik-sim: the trace it prints, the runs it verifies and how it fails.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "level/fatal_error.h"
#include "run/check.h"
#include "run/run_file.h"
#include "run/session.h"
#include "run/state_line.h"
#include "support/subprocess.h"

namespace dravik::run {
namespace {

// Runs the real tool and returns its exit status, with stderr in `err`.
int RunTool(const std::string& args, const std::string& input, std::string& out, std::string& err)
{
    const support::Finished done = support::RunCommand(std::string(DRAVIK_SIM_PATH) + " " + args, input);
    out = done.out;
    err = done.err;
    return done.status;
}

// The trace dravik-sim prints for a script, line by line.
std::vector<nlohmann::json> Trace(const std::string& script, std::uint64_t ticks, std::uint64_t every)
{
    std::string out, err;
    EXPECT_EQ(RunTool("--ticks " + std::to_string(ticks) + " --every " + std::to_string(every) + " --input -", script,
                      out, err),
              0)
        << err;
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
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

// The stored winning run: the win line comes in its tick, before that
// tick's state line, which shows the level restarted.
TEST(Trace, PrintsTheWinInTheTickItHappens)
{
    std::string out, err;
    ASSERT_EQ(RunTool(std::string("--ticks 2493 --every 1 --input ") + DRAVIK_WINNING_RUN, "", out, err), 0) << err;
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2494U);
    EXPECT_EQ(lines[2491], R"({"tick": 2492, "event": "win"})");
    const auto state = nlohmann::json::parse(lines[2492]);
    EXPECT_EQ(state["tick"], 2492);
    EXPECT_EQ(state["wins"], 1);
    EXPECT_EQ(state["keys"].get<std::string>(), std::string(155, '1'));
    EXPECT_EQ(state["square"], nlohmann::json::parse("[960, 10560]"));
    EXPECT_EQ(nlohmann::json::parse(lines[2493])["wins"], 1);
}

// A recorded run checks out against its own final line, however the line is
// spaced; a changed final line is named field by field, a changed event by
// the first hash it no longer reaches; a file that is no recorded run is
// refused.
TEST(Verify, AcceptsTheRunsOwnEndAndNamesWhereItWentAstray)
{
    std::string out, err;
    const std::string events = "1 down 39\n3 down 38\n5 clock\n7 up 39\n9 reset\n12 clock\n";
    ASSERT_EQ(RunTool("--ticks 1300 --input - --record -", events, out, err), 0) << err;
    const std::string recorded = out;
    EXPECT_NE(recorded.find("\n# hash 640 "), std::string::npos);
    EXPECT_NE(recorded.find("\n# hash 1280 "), std::string::npos);
    EXPECT_EQ(RunTool("--verify -", recorded, out, err), 0) << err;
    EXPECT_EQ(out, "dravik-sim: verified: 1300 ticks, 0 wins, DEATHS 0, TIME 1\n");

    const std::size_t at = recorded.find("# final ");
    const std::string body = recorded.substr(0, at);
    auto changed = nlohmann::json::parse(recorded.substr(at + 8, recorded.find('\n', at) - at - 8));
    EXPECT_EQ(RunTool("--verify -", body + "# final " + changed.dump() + "\n", out, err), 0) << err;
    changed["deaths"] = "4";
    changed["balls"]["Balls4"][0][0] = 1;
    changed.erase("moves");
    EXPECT_EQ(RunTool("--verify -", body + "# final " + changed.dump(), out, err), 3);
    EXPECT_NE(err.find("dravik-sim: deaths: expected \"4\", found \"0\"\n"), std::string::npos) << err;
    EXPECT_NE(err.find("dravik-sim: balls.Balls4: expected [[1,"), std::string::npos) << err;
    EXPECT_NE(err.find("dravik-sim: moves: expected nothing, found [0,0]\n"), std::string::npos) << err;
    EXPECT_NE(err.find("3 fields differ"), std::string::npos) << err;

    // One event changed before the first hash: the run goes astray there.
    std::string tampered = recorded;
    const std::string line = "\n3 down 38\n";
    tampered.replace(tampered.find(line), line.size(), "\n3 down 40\n");
    EXPECT_EQ(RunTool("--verify -", tampered, out, err), 3);
    EXPECT_NE(err.find("goes astray by tick 640"), std::string::npos) << err;

    for (const std::string& notRun :
         {std::string(""), events, events + "# final {\"tick\": -1}", events + "# final {\"tick\": 3, \"sq"}) {
        EXPECT_EQ(RunTool("--verify -", notRun, out, err), 2) << notRun;
        EXPECT_NE(err.find("dravik-sim: standard input: "), std::string::npos) << err;
    }
}

TEST(Trace, CoordinatesPrintAsWholeNumbersOrShortestDecimals)
{
    EXPECT_EQ(Coordinate(960.0F), "960");
    EXPECT_EQ(Coordinate(-30.0F), "-30");
    EXPECT_EQ(Coordinate(0.5F), "0.5");
    EXPECT_EQ(Coordinate(0.1F), "0.1");
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
}  // namespace dravik::run
