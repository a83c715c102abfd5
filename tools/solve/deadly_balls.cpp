#include "solve/deadly_balls.h"

#include <stdexcept>

#include "game/patrols.h"

namespace dravik::solve {

namespace {

constexpr float kParked = -1.0e6F;  // far outside the walls: nothing there can touch the square

void Park(Shape& ball)
{
    ball.Left = kParked;
    ball.Top = kParked;
}

// The balls of a patrol, the leader first.
std::vector<Shape*> BallsOf(Form& form, const Patrol& patrol)
{
    std::vector<Shape*> balls;
    if (KindOf(patrol.group) == ControlKind::Group) {
        ControlGroup& group = form.*MemberOf(patrol.group).group;
        for (std::int16_t i = 0; i <= group.UBound(); ++i) {
            if (group.Has(i)) {
                balls.push_back(&group.Item(i));
            }
        }
    } else {
        balls.push_back(&(form.*MemberOf(patrol.group).shape));
    }
    return balls;
}

// Whether the checks of one tick, seeing the square on ball `b` of the
// patrol and on no other ball, send it back to the start point and count a
// death.
bool Kills(const Patrol& patrol, std::size_t b)
{
    Form level;
    Form probe = level;
    ParkBalls(probe);
    const Shape ball = *BallsOf(level, patrol)[b];
    *BallsOf(probe, patrol)[b] = ball;
    probe.Square.Left = ball.Left;
    probe.Square.Top = ball.Top;
    probe.tmrBall_Timer();
    return probe.Deaths.Caption != level.Deaths.Caption;
}

}  // namespace

void ParkBalls(Form& form)
{
    for (const Patrol& patrol : kPatrols) {
        for (Shape* ball : BallsOf(form, patrol)) {
            Park(*ball);
        }
    }
    for (ControlGroup* still : {&form.Balls13, &form.Balls14}) {
        for (std::int16_t i = 0; i <= still->UBound(); ++i) {
            if (still->Has(i)) {
                Park(still->Item(i));
            }
        }
    }
}

DeadlyBalls::DeadlyBalls()
{
    for (const Patrol& patrol : kPatrols) {
        const std::vector<Shape*> balls = BallsOf(world_, patrol);
        for (std::size_t b = 0; b < balls.size(); ++b) {
            if (Kills(patrol, b)) {
                killers_.push_back(balls[b]);
            }
        }
    }
    if (killers_.empty()) {
        throw std::logic_error("no moving ball kills");
    }
    // The world only carries the balls: its square waits far off the map.
    world_.Square.Left = kParked;
    world_.Square.Top = kParked;
}

void DeadlyBalls::Record()
{
    // The checks of tick t see the balls where tick t - 1 left them.
    if (ticks_ > 0) {
        world_.tmrBall_Timer();
        if (world_.Square.Left != kParked || world_.Square.Top != kParked || world_.Deaths.Caption != "0") {
            throw std::logic_error("the parked square of the balls' world was touched");
        }
    }
    for (const Shape* ball : killers_) {
        rects_.push_back(RectOf(*ball));
    }
    ++ticks_;
}

}  // namespace dravik::solve
