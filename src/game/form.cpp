#include "game/form.h"

namespace dravik {

Form::Form(MessageBox* box) : box_(box) {}

void Form::SetMessageBox(MessageBox* box)
{
    box_ = box;
}

}  // namespace dravik
