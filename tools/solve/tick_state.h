#pragma once

#include "game/form.h"

namespace dravik::solve {

// Copies what a tick changes, apart from the square and the keys, from one
// form to another: the moving balls, the motion variables, the checks' own
// variables and DEATHS. The rest of the level no tick changes.
void CopyTickState(const Form& from, Form& to);

}  // namespace dravik::solve
