#include "game/contact_scan.h"

namespace dravik {

// Keeps the player out of the walls. Every wall that the player's rectangle
// from the start of the check overlaps is resolved in index order, on the
// side of least overlap measured from where the player stands now (an earlier
// wall may already have moved it). Ties go to up, down, right, left in turn.
void Form::CheckWalls()
{
    BuildRect(Square, PlayerRect);
    ScanContacts(Wall, [this](const Shape& wall) {
        const double sLeft = Square.Left, sTop = Square.Top, sWidth = Square.Width, sHeight = Square.Height;
        const double wLeft = wall.Left, wTop = wall.Top, wWidth = wall.Width, wHeight = wall.Height;
        PushUp = RoundToInt16(sHeight + sTop - wTop);
        PushDown = RoundToInt16(wHeight + wTop - sTop);
        PushRight = RoundToInt16(wWidth + wLeft - sLeft);
        PushLeft = RoundToInt16(sWidth + sLeft - wLeft);
        if (PushUp <= PushDown && PushUp <= PushRight && PushUp <= PushLeft) {
            Square.Top = CheckedSingle(wall.Top - Square.Height);
        } else if (PushDown <= PushUp && PushDown <= PushRight && PushDown <= PushLeft) {
            Square.Top = CheckedSingle(wall.Top + wall.Height);
        } else if (PushRight <= PushUp && PushRight <= PushDown && PushRight <= PushLeft) {
            Square.Left = CheckedSingle(wall.Left + wall.Width);
        } else {
            Square.Left = CheckedSingle(wall.Left - Square.Width);
        }
    });
}

}  // namespace dravik
