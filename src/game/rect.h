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

// The same, written into `out`, the four edges rounded side by side where the
// target can. Every check builds the player's rectangle this way, and the
// scan reads it back whole, so it is written whole.
inline void BuildRect(const Shape& s, RECT& out)
{
#if defined(__SSE2__)
    const __m128 v = _mm_loadu_ps(&s.Left);   // Left, Top, Width, Height
    const __m128d leftTop = _mm_cvtps_pd(v);  // exact in double
    const __m128d rightBottom = _mm_add_pd(leftTop, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
    // Converted with the current rounding mode: to nearest, ties to even.
    const __m128i edges = _mm_unpacklo_epi64(_mm_cvtpd_epi32(leftTop), _mm_cvtpd_epi32(rightBottom));
    // A value out of range converts to INT32_MIN; let the exact path decide.
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(edges, _mm_set1_epi32(INT32_MIN))) == 0) [[likely]] {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&out), edges);
        return;
    }
#elif defined(__wasm_simd128__)
    v128_t near;
    v128_t far;
    if (WasmEdges(s, near, far)) [[likely]] {
        wasm_v128_store(&out, wasm_i32x4_shuffle(near, far, 0, 1, 4, 5));
        return;
    }
#endif
    out = ExactRectOf(s);
}

inline RECT RectOf(const Shape& s)
{
    RECT r;
    BuildRect(s, r);
    return r;
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
        obj = ExactRectOf(s);
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
// does. With SSE2 or WebAssembly SIMD it may stop a little before the first
// shape that overlaps, at a shape within a twip of the player or with an edge
// beyond 2^30 (the exact test then decides it); without either it passes over
// nothing.
// It only reads, so a scan may pass over the shapes before the index it
// returns: their overlap tests would find no contact, and what those tests
// write (the object's rectangle, the intersection, the scan counter) the scan
// writes again before anything reads it.
//
// A shape is passed over on its edges before rounding, in single precision:
// a contact needs Left < right, Top < bottom, Left + Width > left and
// Top + Height > top, since rounding to nearest is monotonic and the player's
// edges are whole numbers that single precision holds exactly, with their
// halves, within 2^23 (beyond 2^22 nothing is passed over). Every edge passed
// over must also lie within 2^30 and not be NaN, so that the exact test
// decides every fault.
#if defined(__SSE2__)
namespace rect_detail {
constexpr std::int32_t kReach = 1 << 22;
constexpr float kLimit = 1073741824.0F;  // 2^30

// Left, Top, Left + Width, Top + Height.
inline __m128 Edges(const Shape& s)
{
    const __m128 v = _mm_loadu_ps(&s.Left);  // Left, Top, Width, Height
    return _mm_add_ps(v, _mm_movelh_ps(_mm_setzero_ps(), v));
}

// The far edges negated, so that one comparison with (right, bottom, -left,
// -top) tests all four.
inline __m128 FarNegated(__m128 edges)
{
    return _mm_xor_ps(edges, _mm_set_ps(-0.0F, -0.0F, 0.0F, 0.0F));
}

// The same scan one shape at a time, its range tested shape by shape.
inline std::int16_t NextContactEach(const Shape* shapes, std::int16_t first, std::int16_t last, __m128 bounds)
{
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(INT32_MAX));
    const __m128 limit = _mm_set1_ps(kLimit);
    for (std::int16_t i = first; i < last; ++i) {
        const __m128 edges = Edges(shapes[i]);
        const int hits = _mm_movemask_ps(_mm_cmplt_ps(FarNegated(edges), bounds));
        const int inRange = _mm_movemask_ps(_mm_cmplt_ps(_mm_and_ps(edges, magnitude), limit));
        if (hits == 15 || inRange != 15) {
            return i;
        }
    }
    return last;
}
}  // namespace rect_detail
#endif

inline std::int16_t NextContact(const Shape* shapes, std::int16_t first, std::int16_t last, const RECT& player)
{
#if defined(__SSE2__)
    using namespace rect_detail;
    if (player.left <= -kReach || player.top <= -kReach || player.right >= kReach || player.bottom >= kReach)
        [[unlikely]] {
        return first;
    }
    const __m128 bounds = _mm_set_ps(-static_cast<float>(player.top), -static_cast<float>(player.left),
                                     static_cast<float>(player.bottom), static_cast<float>(player.right));
    // The range of the edges passed over is tested once for the whole run:
    // the bits of every edge or'd together, sign aside, make a number at
    // least as large as each of them (NaN and infinity above every finite
    // number). When that passes 2^30, the run is scanned again shape by shape.
    __m128 seen = _mm_setzero_ps();
    std::int16_t i = first;
    for (; i < last; ++i) {
        const __m128 edges = Edges(shapes[i]);
        seen = _mm_or_ps(seen, edges);
        if (_mm_movemask_ps(_mm_cmplt_ps(FarNegated(edges), bounds)) == 15) {
            break;
        }
    }
    const __m128i bits = _mm_and_si128(_mm_castps_si128(seen), _mm_set1_epi32(INT32_MAX));
    const __m128i limitBits = _mm_castps_si128(_mm_set1_ps(kLimit));
    if (_mm_movemask_epi8(_mm_cmplt_epi32(bits, limitBits)) != 0xFFFF) [[unlikely]] {
        return NextContactEach(shapes, first, last, bounds);
    }
    return i;
#elif defined(__wasm_simd128__)
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
