#include "game/form.h"

namespace dravik {

// The overlap test every contact check uses: the object's whole bounding
// rectangle against the PlayerRect that the check built on entry.
bool Form::Touches(const Shape& object)
{
    ObjRect = RectOf(object);
    return IntersectRect(HitRect, PlayerRect, ObjRect) != 0;
}

}  // namespace dravik
