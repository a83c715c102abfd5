#include "solve/bound.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "game/form.h"
#include "solve/position_set.h"
#include "solve/tick_state.h"

namespace dravik::solve {

namespace {

constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();
constexpr float kParked = -1.0e6F;
constexpr int kGridSteps =
    1024;  // of 15 twips: beyond every wall  // far outside the walls: nothing there can touch the square

// Every ball of the form, moving or not, parked far away: the game without balls.
void ParkBalls(Form& form)
{
    for (ControlGroup Level::*group : {&Level::Balls, &Level::Balls1, &Level::Balls2, &Level::Balls3, &Level::Balls5,
                                       &Level::Balls13, &Level::Balls14}) {
        ControlGroup& g = form.*group;
        for (std::int16_t i = 0; i <= g.UBound(); ++i) {
            if (g.Has(i)) {
                g.Item(i).Left = kParked;
                g.Item(i).Top = kParked;
            }
        }
    }
    for (Shape Level::*single : {&Level::Balls4, &Level::Balls6, &Level::Balls7, &Level::Balls8, &Level::Balls9,
                                 &Level::Balls10, &Level::Balls11, &Level::Balls12}) {
        (form.*single).Left = kParked;
        (form.*single).Top = kParked;
    }
}

bool Touches(const Shape& square, const Shape& object)
{
    RECT player = RectOf(square), obj, hit;
    return OverlapTest(object, player, obj, hit);
}

// Calls touched(k) for each member k of a group without gaps that the square
// overlaps, in index order.
template <typename Touched>
void ForEachTouched(const Shape& square, const ControlGroup& group, Touched touched)
{
    const Shape* members = group.Contiguous();
    if (members == nullptr) {
        throw std::logic_error("a group has a gap");
    }
    const RECT player = RectOf(square);
    const std::int16_t last = group.UBound();
    for (std::int16_t k = 0; k <= last; ++k) {
        k = NextContact(members, k, last, player);
        if (Touches(square, members[k])) {
            touched(k);
        }
    }
}

}  // namespace

std::uint64_t WinTickLowerBound()
{
    const Form level;
    Form parked;
    ParkBalls(parked);
    Form work = parked;

    // Breadth first over the places where a tick can begin (the square
    // where the last tick left it), from the start point: where the wall
    // push-out of that tick puts the square, and the nine places its step
    // can take it to next.
    struct Place {
        float left, top;                // where the tick begins
        float checkedLeft, checkedTop;  // where the checks of the tick see the square
        std::uint32_t fromStart;
        bool deadly;  // the checks see the square on a ball of the field: a death
    };
    std::vector<Place> places;
    std::vector<std::array<std::uint32_t, 9>> next;
    PositionSet seen(kGridSteps, kGridSteps);
    auto reach = [&](float left, float top, std::uint32_t ticks) {
        const auto place = static_cast<std::uint32_t>(places.size());
        if (!seen.Insert(left, top, place)) {
            return seen.Find(left, top);
        }
        places.push_back(Place{left, top, 0, 0, ticks, false});
        return place;
    };
    reach(level.Square.Left, level.Square.Top, 0);
    // The places grow as they are visited, so they are taken by index.
    for (std::uint32_t p = 0; p < places.size(); ++p) {  // NOLINT(modernize-loop-convert)
        // One real tick with no arrow held and no ball anywhere: only the
        // push-out moves the square. No key is hidden, so it cannot win.
        work.Square.Left = places[p].left;
        work.Square.Top = places[p].top;
        work.tmrBall_Timer();
        places[p].checkedLeft = work.Square.Left;
        places[p].checkedTop = work.Square.Top;
        Shape checked = level.Square;
        checked.Left = work.Square.Left;
        checked.Top = work.Square.Top;
        ForEachTouched(checked, level.Balls13, [&](std::int16_t) { places[p].deadly = true; });
        std::array<std::uint32_t, 9> to{};
        to.fill(kUnreached);
        if (!places[p].deadly) {
            std::size_t n = 0;
            constexpr std::array<std::int16_t, 3> kSteps = {-30, 0, 30};
            for (std::int16_t dx : kSteps) {
                for (std::int16_t dy : kSteps) {
                    to[n++] = reach(AddStep(checked.Left, dx), AddStep(checked.Top, dy), places[p].fromStart + 1);
                }
            }
        }
        next.push_back(to);
        CopyTickState(parked, work);
        Shape* keys = work.Key.Contiguous();
        for (std::int16_t k = 0; k <= work.Key.UBound(); ++k) {
            keys[k].Visible = true;
        }
    }

    // Backwards from the places whose checks see the square on the goal:
    // the fewest ticks from each place to a tick that can declare the win.
    // The steps into each place, grouped by the place they lead to.
    std::vector<std::uint32_t> firstFrom(places.size() + 1, 0), from;
    for (const auto& to : next) {
        for (std::uint32_t q : to) {
            firstFrom[q + 1] += q != kUnreached ? 1 : 0;
        }
    }
    for (std::size_t q = 1; q < firstFrom.size(); ++q) {
        firstFrom[q] += firstFrom[q - 1];
    }
    from.resize(firstFrom.back());
    {
        std::vector<std::uint32_t> filled(firstFrom.begin(), firstFrom.end() - 1);
        for (std::uint32_t p = 0; p < places.size(); ++p) {
            for (std::uint32_t q : next[p]) {
                if (q != kUnreached) {
                    from[filled[q]++] = p;
                }
            }
        }
    }
    std::vector<std::uint32_t> toGoal(places.size(), kUnreached);
    std::vector<std::uint32_t> queue;
    for (std::uint32_t p = 0; p < places.size(); ++p) {
        Shape checked = level.Square;
        checked.Left = places[p].checkedLeft;
        checked.Top = places[p].checkedTop;
        if (Touches(checked, level.shpGoal)) {
            toGoal[p] = 0;
            queue.push_back(p);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t q = queue[head];
        for (std::uint32_t i = firstFrom[q]; i < firstFrom[q + 1]; ++i) {
            const std::uint32_t p = from[i];
            if (toGoal[p] == kUnreached) {
                toGoal[p] = toGoal[q] + 1;
                queue.push_back(p);
            }
        }
    }

    // Each key must be touched by the checks of a tick before the tick of
    // the win: the earliest such win, over the places that touch the key.
    const std::int16_t lastKey = level.Key.UBound();
    std::vector<std::uint64_t> earliest(static_cast<std::size_t>(lastKey) + 1, kUnreached);
    for (std::uint32_t p = 0; p < places.size(); ++p) {
        if (places[p].deadly || toGoal[p] == kUnreached) {
            continue;
        }
        const std::uint64_t win = 1 + std::uint64_t{places[p].fromStart} + std::max<std::uint32_t>(1, toGoal[p]);
        Shape checked = level.Square;
        checked.Left = places[p].checkedLeft;
        checked.Top = places[p].checkedTop;
        ForEachTouched(checked, level.Key, [&](std::int16_t k) {
            auto& best = earliest[static_cast<std::size_t>(k)];
            best = std::min(best, win);
        });
    }
    const std::uint64_t bound = *std::max_element(earliest.begin(), earliest.end());
    return bound == kUnreached ? 0 : bound;
}

}  // namespace dravik::solve
