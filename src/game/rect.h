#pragma once

#include <cstddef>
#include <cstdint>

#include "game/numbers.h"
#include "level/shape.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__wasm_simd128__)
#include <wasm_simd128.h>
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

#if defined(__wasm_simd128__) && !defined(__SSE2__)
// The edges side by side in WebAssembly: left and top in the low lanes of
// `near`, the rounded sums right and bottom in those of `far`. False when one
// of them does not fit in 32 bits (or is NaN): the exact path decides those.
inline bool WasmEdges(const Shape& s, v128_t& near, v128_t& far)
{
    const v128_t v = wasm_v128_load(&s.Left);  // Left, Top, Width, Height
    const v128_t leftTop = wasm_f64x2_promote_low_f32x4(v);
    const v128_t rightBottom =
        wasm_f64x2_add(leftTop, wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(v, v, 2, 3, 2, 3)));
    const v128_t roundedNear = wasm_f64x2_nearest(leftTop);  // ties to even
    const v128_t roundedFar = wasm_f64x2_nearest(rightBottom);
    const v128_t low = wasm_f64x2_splat(INT32_MIN);
    const v128_t high = wasm_f64x2_splat(INT32_MAX);
    const v128_t fits = wasm_v128_and(wasm_v128_and(wasm_f64x2_ge(roundedNear, low), wasm_f64x2_le(roundedNear, high)),
                                      wasm_v128_and(wasm_f64x2_ge(roundedFar, low), wasm_f64x2_le(roundedFar, high)));
    near = wasm_i32x4_trunc_sat_f64x2_zero(roundedNear);
    far = wasm_i32x4_trunc_sat_f64x2_zero(roundedFar);
    return wasm_i64x2_all_true(fits);
}
#endif

// The rectangle every contact check uses: the shape's whole bounding box,
// whatever its figure. Each edge is rounded once, so right is the rounded sum.
inline RECT ExactRectOf(const Shape& s)
{
    return RECT{
        RoundToInt32(s.Left),
        RoundToInt32(s.Top),
        RoundToInt32(static_cast<double>(s.Left) + static_cast<double>(s.Width)),
        RoundToInt32(static_cast<double>(s.Top) + static_cast<double>(s.Height)),
    };
}

// The same; in WebAssembly the four edges are rounded side by side.
inline RECT RectOf(const Shape& s)
{
#if defined(__wasm_simd128__) && !defined(__SSE2__)
    v128_t near;
    v128_t far;
    if (WasmEdges(s, near, far)) [[likely]] {
        RECT r;
        wasm_v128_store(&r, wasm_i32x4_shuffle(near, far, 0, 1, 4, 5));
        return r;
    }
#endif
    return ExactRectOf(s);
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
// followed by IntersectRect; on x86 and in WebAssembly the four edges are
// rounded and compared side by side, since the checks run it some 280 times a
// tick.
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
#elif defined(__wasm_simd128__)
    v128_t near;
    v128_t far;
    if (!WasmEdges(s, near, far)) [[unlikely]] {
        obj = ExactRectOf(s);
        return IntersectRect(hit, player, obj) != 0;
    }
    const v128_t edges = wasm_i32x4_shuffle(near, far, 0, 1, 4, 5);
    wasm_v128_store(&obj, edges);
    const v128_t p = wasm_v128_load(&player);
    // left and top take the larger, right and bottom the smaller.
    const v128_t inter = wasm_i32x4_shuffle(wasm_i32x4_max(edges, p), wasm_i32x4_min(edges, p), 0, 1, 6, 7);
    // left < right and top < bottom.
    const bool overlap =
        (wasm_i32x4_bitmask(wasm_i32x4_gt(wasm_i32x4_shuffle(inter, inter, 2, 3, 2, 3), inter)) & 3) == 3;
    wasm_v128_store(&hit, overlap ? inter : wasm_i32x4_splat(0));
    return overlap;
#else
    obj = RectOf(s);
    return IntersectRect(hit, player, obj) != 0;
#endif
}

// An index from `first` to `last` into shapes side by side such that no shape
// from `first` up to it overlaps `player` (its rectangle built from its
// current values) or has an edge out of 32 bits; `last` when none before it
// does. With SSE2 it is the first shape that does, or that has an edge
// rounding to INT32_MIN (the exact test then decides it); in WebAssembly it
// may stop a little earlier, at a shape within a twip of the player or with an
// edge beyond 2^30; without either it passes over nothing.
// It only reads, so a scan may pass over the shapes before the index it
// returns: their overlap tests would find no contact, and what those tests
// write (the object's rectangle, the intersection, the scan counter) the scan
// writes again before anything reads it.
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
#elif defined(__wasm_simd128__)
    // Here a shape is passed over on its edges before rounding, in single
    // precision, four at a time: a contact needs Left < right, Top < bottom,
    // Left + Width > left and Top + Height > top, since rounding to nearest is
    // monotonic and the player's edges are whole numbers that single precision
    // holds exactly, with their halves, within 2^23 (beyond 2^22 nothing is
    // passed over). Every edge must also lie within 2^30, not NaN, so that the
    // exact test decides every fault.
    constexpr std::int32_t kReach = 1 << 22;
    if (player.left <= -kReach || player.top <= -kReach || player.right >= kReach || player.bottom >= kReach)
        [[unlikely]] {
        return first;
    }
    const v128_t bounds = wasm_f32x4_make(static_cast<float>(player.right), static_cast<float>(player.bottom),
                                          -static_cast<float>(player.left), -static_cast<float>(player.top));
    const v128_t farSigns = wasm_f32x4_make(0.0F, 0.0F, -0.0F, -0.0F);
    const v128_t limit = wasm_f32x4_splat(1073741824.0F);  // 2^30
    const v128_t zero = wasm_f32x4_splat(0.0F);
    for (std::int16_t i = first; i < last; ++i) {
        const v128_t v = wasm_v128_load(&shapes[i].Left);  // Left, Top, Width, Height
        // Left, Top, Left + Width, Top + Height
        const v128_t edges = wasm_f32x4_add(v, wasm_i32x4_shuffle(v, zero, 4, 4, 0, 1));
        // The far edges negated, so that one comparison tests all four.
        const v128_t hits = wasm_f32x4_lt(wasm_v128_xor(edges, farSigns), bounds);
        const v128_t inRange = wasm_f32x4_lt(wasm_f32x4_abs(edges), limit);
        if (wasm_i32x4_bitmask(hits) == 15 || wasm_i32x4_bitmask(inRange) != 15) {
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
