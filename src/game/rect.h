#pragma once

#include <cstddef>
#include <cstdint>

#include "game/numbers.h"
#include "level/shape.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The overlap test of a contact check: builds obj from the shape and
// intersects it with the player's rectangle into hit. Same result as RectOf
// followed by IntersectRect; on x86 the four edges are rounded and compared
// side by side, since the checks run it some 280 times a tick.
inline bool OverlapTest(const Shape& s, const RECT& player, RECT& obj, RECT& hit)
{
#if defined(__SSE2__)
    static_assert(offsetof(Shape, Top) == offsetof(Shape, Left) + 4 &&
                  offsetof(Shape, Width) == offsetof(Shape, Left) + 8 &&
                  offsetof(Shape, Height) == offsetof(Shape, Left) + 12);
    const __m128 v = _mm_loadu_ps(&s.Left);   // Left, Top, Width, Height
    const __m128d leftTop = _mm_cvtps_pd(v);  // exact in double
    const __m128d rightBottom = _mm_add_pd(leftTop, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
    // Converted with the current rounding mode: to nearest, ties to even.
    const __m128i edges = _mm_unpacklo_epi64(_mm_cvtpd_epi32(leftTop), _mm_cvtpd_epi32(rightBottom));
    // A value out of range converts to INT32_MIN; let the exact path decide.
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(edges, _mm_set1_epi32(INT32_MIN))) != 0) [[unlikely]] {
        obj = RectOf(s);
        return IntersectRect(hit, player, obj) != 0;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&obj), edges);
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&player));
    const __m128i objGreater = _mm_cmpgt_epi32(edges, p);
    const __m128i larger = _mm_or_si128(_mm_and_si128(objGreater, edges), _mm_andnot_si128(objGreater, p));
    const __m128i smaller = _mm_or_si128(_mm_andnot_si128(objGreater, edges), _mm_and_si128(objGreater, p));
    // left and top take the larger, right and bottom the smaller.
    const __m128i lowHalf = _mm_set_epi32(0, 0, -1, -1);
    const __m128i inter = _mm_or_si128(_mm_and_si128(lowHalf, larger), _mm_andnot_si128(lowHalf, smaller));
    // left < right and top < bottom.
    const __m128i farEdges = _mm_shuffle_epi32(inter, _MM_SHUFFLE(3, 2, 3, 2));
    const bool overlap = (_mm_movemask_epi8(_mm_cmpgt_epi32(farEdges, inter)) & 0xFF) == 0xFF;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&hit), overlap ? inter : _mm_setzero_si128());
    return overlap;
#else
    obj = RectOf(s);
    return IntersectRect(hit, player, obj) != 0;
#endif
}

// The first index from `first` to `last` of shapes side by side whose
// rectangle, built from its current values, overlaps `player`, or has an edge
// that does not round to a 32-bit value above INT32_MIN (out of range, or that
// one value, which the exact test then decides); `last` when no shape before
// it is either.
// It only reads, so a scan may pass over the shapes before the index it
// returns: their overlap tests would find no contact, and what those tests
// write (the object's rectangle, the intersection, the scan counter) the scan
// writes again before anything reads it. Without SSE2 it passes over nothing.
inline std::int16_t NextContact(const Shape* shapes, std::int16_t first, std::int16_t last, const RECT& player)
{
#if defined(__SSE2__)
    // An object overlaps when its left and top lie before the player's right
    // and bottom, and its right and bottom after the player's left and top.
    const __m128i playerFar = _mm_set_epi32(0, 0, player.bottom, player.right);
    const __m128i playerNear = _mm_set_epi32(0, 0, player.top, player.left);
    const __m128i outOfRange = _mm_set1_epi32(INT32_MIN);
    for (std::int16_t i = first; i < last; ++i) {
        const __m128 v = _mm_loadu_ps(&shapes[i].Left);  // Left, Top, Width, Height
        const __m128d leftTop = _mm_cvtps_pd(v);
        const __m128d rightBottom = _mm_add_pd(leftTop, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
        const __m128i near = _mm_cvtpd_epi32(leftTop);  // to nearest, ties to even
        const __m128i far = _mm_cvtpd_epi32(rightBottom);
        const __m128i hits = _mm_unpacklo_epi64(_mm_cmplt_epi32(near, playerFar), _mm_cmpgt_epi32(far, playerNear));
        const __m128i faults = _mm_cmpeq_epi32(_mm_unpacklo_epi64(near, far), outOfRange);
        if (_mm_movemask_epi8(hits) == 0xFFFF || _mm_movemask_epi8(faults) != 0) {
            return i;
        }
    }
    return last;
#else
    (void)shapes, (void)last, (void)player;
    return first;
#endif
}

}  // namespace dravik
