// The winning run kept in tests/data, replayed by dravik-sim: every key is
// collected, the goal declares the win at the run's tick, and the level is
// back at its start.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run/run_file.h"
#include "solve/command.h"

namespace dravik::solve {
namespace {

using harness::JsonLines;
using harness::Quote;
using harness::RunCommand;
using harness::WinTicks;

// The stored run's win tick and deaths; update them with the file.
constexpr std::uint64_t kWinTick = 2492;
constexpr const char* kDeaths = "0";

const std::filesystem::path kRun = std::filesystem::path(DRAVIK_TEST_DATA) / "winning-run.txt";

std::string Sim(std::uint64_t ticks)
{
    return std::string(DRAVIK_SIM_PATH) + " --ticks " + std::to_string(ticks) + " --input " + Quote(kRun);
}

TEST(StoredRun, CollectsEveryKeyThenWinsAtItsTick)
{
    const harness::Finished before = RunCommand(Sim(kWinTick - 1));
    ASSERT_EQ(before.status, 0) << before.err;
    const std::vector<nlohmann::json> held = JsonLines(before.out);
    ASSERT_FALSE(held.empty());
    EXPECT_TRUE(WinTicks(held).empty()) << "a win before the run's tick";
    EXPECT_EQ(held.back()["tick"], kWinTick - 1);
    EXPECT_EQ(held.back()["keys"], std::string(155, '0')) << "every key hidden just before the win";
    EXPECT_EQ(held.back()["deaths"], kDeaths);

    const harness::Finished won = RunCommand(Sim(kWinTick));
    ASSERT_EQ(won.status, 0) << won.err;
    const std::vector<nlohmann::json> after = JsonLines(won.out);
    ASSERT_EQ(after.size(), 2U) << won.out;
    EXPECT_EQ(after[0], nlohmann::json::parse("{\"tick\": " + std::to_string(kWinTick) + ", \"event\": \"win\"}"));
    EXPECT_EQ(after[1]["tick"], kWinTick);
    EXPECT_EQ(after[1]["keys"], std::string(155, '1')) << "every key shown again";
    EXPECT_EQ(after[1]["square"], nlohmann::json::array({960, 10560})) << "back on the start point";
    EXPECT_EQ(after[1]["moves"], nlohmann::json::array({0, 0}));
    EXPECT_EQ(after[1]["deaths"], kDeaths);
    EXPECT_EQ(after[1]["wins"], 1);
}

TEST(StoredRun, HoldsOnlyArrowEventsAndNamesItsTick)
{
    std::ifstream file(kRun);
    ASSERT_TRUE(file) << kRun;
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("# win at tick " + std::to_string(kWinTick) + " with " + kDeaths + " deaths"),
              std::string::npos);

    const run::Script script = run::ParseScript(text);
    ASSERT_FALSE(script.error) << script.error->message;
    ASSERT_FALSE(script.events.empty());
    for (const run::Event& e : script.events) {
        EXPECT_TRUE(e.kind == run::EventKind::KeyDown || e.kind == run::EventKind::KeyUp);
        EXPECT_GE(e.keyCode, 37);
        EXPECT_LE(e.keyCode, 40);
        EXPECT_LE(e.tick, kWinTick);
    }
    EXPECT_EQ(script.events.back().tick, kWinTick) << "the arrows are let go for the winning tick";
    EXPECT_EQ(script.events.back().kind, run::EventKind::KeyUp);
}

}  // namespace
}  // namespace dravik::solve
