#include "game/form.h"

namespace dravik {

// One second of play.
void Form::tmrTime_Timer()
{
    IncrementCounter(Time);
}

}  // namespace dravik
