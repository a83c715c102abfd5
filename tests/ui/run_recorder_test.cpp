// A recording ends by itself at the longest run that dravik-sim --verify and
// dravik --replay take: whole, with its final line, said once and without
// counting as a failed write.
#include "ui/run_recorder.h"

#include <gtest/gtest.h>

#include "game/form.h"
#include "sim/script_input.h"
#include "sim/trace.h"
#include "sim/verify.h"
#include "support/subprocess.h"

namespace dravik::ui {
namespace {

TEST(RunRecorder, EndsByItselfAtTheLongestRun)
{
    support::ScratchDir dir;
    const std::string path = (dir.path() / "run.txt").string();
    std::string error;
    const std::unique_ptr<RunRecorder> recorder = RunRecorder::Create(path, "test", error);
    ASSERT_NE(recorder, nullptr) << error;
    std::vector<std::string> said;
    recorder->OnFailure([&said](const std::string& reason) { said.push_back(reason); });

    const Form form;
    const std::uint64_t last = sim::kLongestRun;
    recorder->Note({1, sim::EventKind::KeyDown, vbKeyRight});
    recorder->Ticked(sim::StateLine(form, last - 1, 0), last - 1);
    EXPECT_TRUE(said.empty()) << said.front();
    recorder->Ticked(sim::StateLine(form, last, 0), last);
    recorder->Note({last + 1, sim::EventKind::KeyUp, vbKeyRight});
    recorder->Ticked(sim::StateLine(form, last + 1, 0), last + 1);
    recorder->Finish();  // as when the window closes later

    EXPECT_FALSE(recorder->Failed());
    ASSERT_EQ(said.size(), 1U);
    EXPECT_NE(said[0].find("longest run"), std::string::npos) << said[0];
    const std::optional<sim::Script> script = sim::ReadScriptInput(path, error);
    ASSERT_TRUE(script) << error;
    EXPECT_EQ(script->events.size(), 1U) << "nothing is recorded after the end";
    ASSERT_TRUE(script->final);
    EXPECT_EQ(sim::FinalTick(*script->final, error), std::optional<std::uint64_t>{last}) << error;
}

}  // namespace
}  // namespace dravik::ui
