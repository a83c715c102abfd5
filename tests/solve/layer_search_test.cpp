// The search of one order of the keys, tick by tick over every place a run
// can be: the run it finds wins when the game plays it, a ceiling below it
// lets no win through, and a run dies in it exactly where the game kills it.
#include "solve/layer_search.h"

#include <gtest/gtest.h>

#include "game/form.h"
#include "solve/first_tour.h"
#include "solve/replay.h"

namespace dravik::solve {
namespace {

struct NoBox : MessageBox {
    void Show(std::string_view) override {}
};

// Plays one tick of the game holding `move`; true when it counts a death.
bool Dies(Form& form, Move move)
{
    auto axis = [&](std::int8_t way, std::int16_t less, std::int16_t more) {
        form.Form_KeyUp(less, 0);
        form.Form_KeyUp(more, 0);
        if (way != 0) {
            form.Form_KeyDown(way < 0 ? less : more, 0);
        }
    };
    axis(move.dx, vbKeyLeft, vbKeyRight);
    axis(move.dy, vbKeyUp, vbKeyDown);
    const std::string before = form.Deaths.Caption;
    NoBox box;
    form.SetMessageBox(&box);
    form.tmrBall_Timer();
    form.SetMessageBox(nullptr);
    return form.Deaths.Caption != before;
}

TEST(LayerSearch, FindsTheFirstToursRunAndNoneBelowItAndKillsWhereTheGameDoes)
{
    const FirstTour first;
    const PlaceGraph& graph = first.graph;
    const Route& tour = first.tour;
    const StageFields& fields = first.fields;
    DeadlyBalls balls;
    LayerSearch search(graph, balls);
    LayerSearch::Limits limits;
    limits.ceiling = fields.WinTick() + 128;
    solve::Run run;
    ASSERT_EQ(search.Search(fields, tour.order, limits, run), Outcome::Won);
    EXPECT_GT(run.winTick, fields.WinTick()) << "the balls cost every run some ticks";
    const Replay replay = PlayBack(run);
    EXPECT_TRUE(replay.WinsAt(run.winTick));
    EXPECT_EQ(replay.deaths, "0");

    // A ceiling just below the run's tick lets no run through: the first
    // win found is the earliest one the search can see.
    solve::Run again;
    limits.ceiling = run.winTick - 1;
    EXPECT_EQ(search.Search(fields, tour.order, limits, again), Outcome::NoRun);

    // Along the run, where the balls come closest, every arrow combination
    // of every tick leads to a place whose next tick the search calls deadly
    // exactly when the game counts a death in it.
    Form game;
    std::uint32_t place = 0;
    std::size_t deadly = 0, checked = 0;
    for (std::uint64_t tick = 1; tick + 1 < run.winTick; ++tick) {
        for (const Move& move : kMoves) {
            const std::uint32_t next = graph.Next(place)[GraphMove(move)];
            Form trial = game;
            ASSERT_FALSE(Dies(trial, move)) << "tick " << tick;
            if (next == PlaceGraph::kNowhere) {
                continue;
            }
            const bool dies = Dies(trial, Move{});
            // A place whose checks see the square on the field leads nowhere.
            const bool field = graph.Next(next)[0] == PlaceGraph::kNowhere;
            EXPECT_EQ(balls.Hit(tick + 1, graph.Checked(next)) || field, dies) << "tick " << tick + 1;
            deadly += dies ? 1 : 0;
            ++checked;
        }
        ASSERT_FALSE(Dies(game, run.moves[tick - 1]));
        place = graph.Next(place)[GraphMove(run.moves[tick - 1])];
    }
    EXPECT_GT(deadly, 100U) << "of " << checked << ": the run should pass close to the balls";
}

}  // namespace
}  // namespace dravik::solve
