// dravik-solve as a command: the run it prints wins when dravik-sim replays
// it, the same options give the same run, and bad options or a time limit
// that cannot be met end with their own exit status.
#include <gtest/gtest.h>

#include <cstdio>

#include "solve/command.h"
#include "solve/script_header.h"

namespace dravik::solve {
namespace {

using harness::Finished;
using harness::JsonLines;
using harness::Quote;
using harness::ReadFile;
using harness::RunCommand;
using harness::ScratchDir;
using harness::WinTicks;

const std::string kSolve = DRAVIK_SOLVE_PATH;
const std::string kSim = DRAVIK_SIM_PATH;
// What the search finds with its default options, kept to show that it finds
// the same again: the search is deterministic.
const std::filesystem::path kDefaultRun = std::filesystem::path(DRAVIK_TEST_DATA) / "default-search-run.txt";

// A limit that a loaded two-core machine meets with room to spare: the
// default search takes some 9 s of one core.
const std::string kLimit = "--time-limit 600";

TEST(SolveCommand, DefaultSearchFindsItsRunAgainAndItWinsOnReplay)
{
    ScratchDir dir;
    const std::filesystem::path out = dir.path() / "run.txt";
    const Finished solved = RunCommand(kSolve + " " + kLimit + " --progress --out " + Quote(out));
    ASSERT_EQ(solved.status, 0) << solved.err;
    EXPECT_TRUE(solved.out.empty()) << "with --out, nothing goes to standard output";
    EXPECT_NE(solved.err.find("win at tick"), std::string::npos) << solved.err;
    // After the tours, the order the best run took, with the time each sweep
    // lost to the balls, and an order made from it.
    for (const char* line : {"tour 0: the keys in the order the run took them",
                             "ticks lost to the balls, by sweep:", "order 1: win at tick"}) {
        EXPECT_NE(solved.err.find(line), std::string::npos) << solved.err;
    }

    const std::string script = ReadFile(out);
    unsigned long long tick = 0;
    char deaths[16] = {};
    const std::size_t at = script.find("# win at tick ");
    ASSERT_NE(at, std::string::npos) << script.substr(0, 300);
    ASSERT_EQ(std::sscanf(script.c_str() + at, "# win at tick %llu with %15s deaths", &tick, deaths), 2);
    EXPECT_STREQ(deaths, "0");
    // The lower bound on any win's tick is sound, so the run cannot beat it.
    unsigned long long bound = 0;
    const std::size_t boundAt = script.find("# no run can win before tick ");
    ASSERT_NE(boundAt, std::string::npos) << script.substr(0, 300);
    ASSERT_EQ(std::sscanf(script.c_str() + boundAt, "# no run can win before tick %llu", &bound), 1);
    EXPECT_GT(bound, 0U);
    EXPECT_LE(bound, tick);

    const Finished replay = RunCommand(kSim + " --ticks " + std::to_string(tick) + " --input " + Quote(out));
    ASSERT_EQ(replay.status, 0) << replay.err;
    const std::vector<nlohmann::json> lines = JsonLines(replay.out);
    EXPECT_EQ(WinTicks(lines), std::vector<std::uint64_t>{tick});
    EXPECT_EQ(lines.back()["deaths"], "0");
    EXPECT_EQ(lines.back()["square"], nlohmann::json::array({960, 10560}));

    // It ends with the state after its win, so dravik-sim checks it as it checks a recording.
    const Finished verified = RunCommand(kSim + " --verify " + Quote(out));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;

    // Same options, same run: byte for byte the script kept in the repo.
    EXPECT_EQ(script, ReadFile(kDefaultRun)) << "a changed search must store its new run in " << kDefaultRun;
}

TEST(SolveCommand, BadOptionsExitTwoWithTheUsage)
{
    const char* const bad[] = {
        "--bogus",      "--time-limit -5",  "--time-limit soon", "--keep 0",
        "--keep 65",    "--keep x",         "--tours 0",         "--out",
        "extra",        "--progress=maybe", "--seed 1",          "--rearrange -1",
        "--ceiling -1", "--ceiling soon",
    };
    for (const char* args : bad) {
        const Finished done = RunCommand(kSolve + " " + args + " --time-limit 600");
        EXPECT_EQ(done.status, 2) << args << "\n" << done.err;
        EXPECT_NE(done.err.find("Usage"), std::string::npos) << args << "\n" << done.err;
        EXPECT_TRUE(done.out.empty()) << args;
    }
    const Finished help = RunCommand(kSolve + " --help");
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--out", "--time-limit", "--progress", "--keep", "--tours", "--rearrange", "--ceiling"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
}

TEST(SolveCommand, UnreachableTimeLimitExitsOneWithoutAScript)
{
    ScratchDir dir;
    const std::filesystem::path out = dir.path() / "run.txt";
    const Finished done = RunCommand(kSolve + " --time-limit 0.001 --progress --out " + Quote(out));
    EXPECT_EQ(done.status, 1) << done.err;
    EXPECT_NE(done.err.find("time limit"), std::string::npos) << done.err;
    EXPECT_TRUE(done.out.empty());
    EXPECT_FALSE(std::filesystem::exists(out)) << "no partial script";
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no temporary file left behind";

    // Without --out the script would go to standard output: nothing may.
    const Finished bare = RunCommand(kSolve + " --time-limit 0.001");
    EXPECT_EQ(bare.status, 1) << bare.err;
    EXPECT_TRUE(bare.out.empty()) << bare.out.substr(0, 200);

    // No run of the first tour wins by tick 2400: the search ends as one
    // that found nothing.
    const Finished low = RunCommand(kSolve + " --tours 1 --rearrange 0 --ceiling 2400 --out " + Quote(out));
    EXPECT_EQ(low.status, 1) << low.err;
    EXPECT_NE(low.err.find("could no longer win by tick 2400 after"), std::string::npos) << low.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << "no partial script";
}

TEST(SolveCommand, HeaderNamesTheOptionsAndATimeLimitThatCutTheSearch)
{
    SearchOptions options;
    options.timeLimit = 2.5;
    SearchResult result;
    result.run.winTick = 2475;
    result.tours = 1;
    const std::string whole = ScriptHeader(options, result, "0");
    const std::string stored = ReadFile(kDefaultRun);
    EXPECT_EQ(whole, stored.substr(0, whole.size())) << "the header of a whole search, as the stored run has it";

    result.cutShort = true;
    const std::string cut = ScriptHeader(options, result, "0");
    EXPECT_EQ(cut.substr(0, whole.size()), whole);
    EXPECT_NE(cut.find("# the time limit of 2.5 s cut the search short in tour 1 of 1:"), std::string::npos) << cut;
    result.rearranged = 1;
    const std::string late = ScriptHeader(options, result, "0");
    EXPECT_NE(late.find("cut the search short in order 1 of 2 after the tours:"), std::string::npos) << late;

    options.ceiling = 2520;
    const std::string capped = ScriptHeader(options, result, "0");
    EXPECT_EQ(capped.rfind(
                  "# Dravik: a winning run found by dravik-solve --tours 1 --keep 8 --rearrange 2 --ceiling 2520\n", 0),
              0U)
        << capped;
}

}  // namespace
}  // namespace dravik::solve
