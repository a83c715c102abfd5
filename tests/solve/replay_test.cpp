// The winning run kept in tests/data, replayed by dravik-sim: every key is
// collected, the goal declares the win at the run's tick, and the level is
// back at its start.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "game/form.h"
#include "run/run_file.h"
#include "solve/bound.h"
#include "solve/command.h"

namespace dravik::solve {
namespace {

using harness::JsonLines;
using harness::Quote;
using harness::RunCommand;
using harness::WinTicks;

// The stored run's win tick and deaths; update them with the file.
constexpr std::uint64_t kWinTick = 2475;
constexpr const char* kDeaths = "0";

const std::filesystem::path kRun = std::filesystem::path(DRAVIK_TEST_DATA) / "best-run.txt";

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

struct WinSeen : MessageBox {
    void Show(std::string_view) override { shown = true; }
    bool shown = false;
};

// Every run the solver has found and kept, played through the game: the tick
// of each key's pickup and of the win.
struct PlayedRun {
    std::string file;
    std::vector<std::uint64_t> pickedUp;  // by key index
    std::uint64_t win = 0;
};

PlayedRun Play(const std::filesystem::path& path)
{
    std::ifstream file(path);
    const run::Script script = run::ParseScript(file);
    EXPECT_FALSE(script.error) << path;
    PlayedRun run{path.filename().string(), std::vector<std::uint64_t>(155, 0), 0};
    Form form;
    std::size_t next = 0;
    for (std::uint64_t tick = 1; tick <= 10000 && run.win == 0; ++tick) {
        for (; next < script.events.size() && script.events[next].tick == tick; ++next) {
            const run::Event& e = script.events[next];
            if (e.kind == run::EventKind::KeyDown) {
                form.Form_KeyDown(static_cast<std::int16_t>(e.keyCode), 0);
            } else if (e.kind == run::EventKind::KeyUp) {
                form.Form_KeyUp(static_cast<std::int16_t>(e.keyCode), 0);
            }
        }
        WinSeen box;
        form.SetMessageBox(&box);
        form.tmrBall_Timer();
        form.SetMessageBox(nullptr);
        if (box.shown) {
            run.win = tick;
            break;
        }
        for (std::int16_t k = 0; k <= form.Key.UBound(); ++k) {
            auto& at = run.pickedUp[static_cast<std::size_t>(k)];
            at = at == 0 && !form.Key.Item(k).Visible ? tick : at;
        }
    }
    EXPECT_EQ(form.Deaths.Caption, "0") << path;
    return run;
}

// The lower bound holds for every run found: no key set that it follows is
// touched, and no win comes, sooner than it says, without the moving balls
// or among them. The touches are the sharper test, since a run's first keys
// come close to the fastest possible; among the balls, the small sets are.
TEST(LowerBound, NoRunFoundBeatsIt)
{
    const PlaceGraph graph;
    DeadlyBalls balls;
    std::vector<PlayedRun> runs;
    for (const auto& entry : std::filesystem::directory_iterator(DRAVIK_TEST_DATA)) {
        runs.push_back(Play(entry.path()));
    }
    ASSERT_GE(runs.size(), 2U);
    const std::uint64_t bound = WinTickLowerBound(graph, balls);
    const std::vector<std::uint64_t> perKey = graph.EarliestWinThroughEachKey();
    EXPECT_GT(bound, graph.EarliestWin(FollowedKeys())) << "the balls cost even the fastest run some ticks";
    std::mt19937 random(20);
    std::vector<std::vector<int>> sets{{0}, {0, 1}, {0, 1, 2}, {2, 34}, {3, 64}};
    for (int n = 0; n < 12; ++n) {
        std::vector<int>& set = sets.emplace_back();
        for (std::size_t size = 1 + random() % 8; set.size() < size;) {
            const int k = static_cast<int>(random() % 155);
            if (std::find(set.begin(), set.end(), k) == set.end()) {
                set.push_back(k);
            }
        }
    }
    std::vector<std::uint64_t> amongBalls;
    for (std::size_t i = 0; i < 5; ++i) {
        amongBalls.push_back(graph.EarliestWinAmongBalls(sets[i], balls));
        EXPECT_GE(amongBalls.back(), graph.EarliestWin(sets[i])) << "set " << i;
    }
    for (const PlayedRun& run : runs) {
        ASSERT_GT(run.win, 0U) << run.file;
        EXPECT_LE(bound, run.win) << run.file;
        for (std::size_t i = 0; i < amongBalls.size(); ++i) {
            EXPECT_LE(amongBalls[i], run.win) << run.file << " set " << i << " among the balls";
        }
        for (std::size_t k = 0; k < perKey.size(); ++k) {
            EXPECT_LE(perKey[k], run.win) << run.file << " key " << k;
        }
        for (const std::vector<int>& set : sets) {
            std::uint64_t touched = 0;
            for (int k : set) {
                touched = std::max(touched, run.pickedUp[static_cast<std::size_t>(k)]);
            }
            EXPECT_LE(graph.EarliestTouch(set), touched) << run.file << " set of " << set.size();
            EXPECT_LE(graph.EarliestWin(set), run.win) << run.file << " set of " << set.size();
        }
    }
    // Following more keys never lowers the bound, and one key alone gives
    // what the count for each key gives.
    EXPECT_LE(graph.EarliestWin(std::vector<int>{70}), graph.EarliestWin(std::vector<int>{70, 148}));
    EXPECT_EQ(graph.EarliestWin(std::vector<int>{148}), perKey[148]);
    EXPECT_EQ(graph.EarliestWin(std::vector<int>{0}), perKey[0]);
}

}  // namespace
}  // namespace dravik::solve
