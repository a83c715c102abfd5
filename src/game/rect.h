#pragma once

#include <cstdint>

#include "game/numbers.h"
#include "level/shape.h"

namespace dravik {

// A rectangle of four 32-bit integers; right and bottom lie just outside it.
struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const RECT&, const RECT&) = default;
};

// The rectangle every contact check uses: the shape's whole bounding box,
// whatever its figure. Each edge is rounded once, so right is the rounded sum.
inline RECT RectOf(const Shape& s)
{
    return RECT{
        RoundToInt32(s.Left),
        RoundToInt32(s.Top),
        RoundToInt32(static_cast<double>(s.Left) + static_cast<double>(s.Width)),
        RoundToInt32(static_cast<double>(s.Top) + static_cast<double>(s.Height)),
    };
}

// Writes the intersection of a and b into dest and returns nonzero when it has
// positive width and height. Rectangles that only touch do not intersect, and
// dest is then emptied.
inline int IntersectRect(RECT& dest, const RECT& a, const RECT& b)
{
    const std::int32_t left = a.left > b.left ? a.left : b.left;
    const std::int32_t top = a.top > b.top ? a.top : b.top;
    const std::int32_t right = a.right < b.right ? a.right : b.right;
    const std::int32_t bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    if (left < right && top < bottom) {
        dest = RECT{left, top, right, bottom};
        return 1;
    }
    dest = RECT{};
    return 0;
}

}  // namespace dravik
