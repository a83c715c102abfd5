#include "game/contact_scan.h"

namespace dravik {

// Every member of a deadly group is tested against the player's rectangle as
// it was on entry, so the scan goes on after a death: each further member that
// overlapped that rectangle counts one more death.
void Form::CheckBallGroup(ControlGroup& group)
{
    BuildRect(Square, PlayerRect);
    ScanContacts(group, [this](const Shape&) {
        Die(InnerScanIndex);  // the outer scan holds ScanIndex
    });
}

void Form::CheckBallShape(const Shape& ball)
{
    BuildRect(Square, PlayerRect);
    if (Touches(ball)) {
        Die(ScanIndex);
    }
}

void Form::CheckBalls()
{
    CheckBallGroup(Balls);
}

void Form::CheckBalls1()
{
    CheckBallGroup(Balls1);
}

void Form::CheckBalls2()
{
    CheckBallGroup(Balls2);
}

void Form::CheckBalls3()
{
    CheckBallGroup(Balls3);
}

void Form::CheckBalls4()
{
    CheckBallShape(Balls4);
}

void Form::CheckBalls5()
{
    CheckBallGroup(Balls5);
}

void Form::CheckBalls6()
{
    CheckBallShape(Balls6);
}

void Form::CheckBalls7()
{
    CheckBallShape(Balls7);
}

void Form::CheckBalls10()
{
    CheckBallShape(Balls10);
}

void Form::CheckBalls13()
{
    CheckBallGroup(Balls13);
}

// A death: back to the start, one more on DEATHS, and every key shown again.
// The player's step is left alone, so a held arrow carries on from the start.
void Form::Die(std::int16_t& keyCounter)
{
    Respawn();
    IncrementCounter(Deaths);
    ShowAllKeys(keyCounter);
}

}  // namespace dravik
