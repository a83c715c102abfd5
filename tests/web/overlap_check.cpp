// overlap-check.js: the overlap test and the scan over members as the browser
// build compiles them, side by side in WebAssembly SIMD, against the exact
// test that rounds one edge at a time, on shapes near and far, on ties and on
// faults. Exit 0 when they agree, 1 with the first disagreement.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "game/rect.h"
#include "level/fatal_error.h"

namespace {

using dravik::RECT;
using dravik::Shape;

enum class Exact { Clear, Near, Contact, Fault };

// What the exact test makes of a shape: a contact, a fault, or clear; Near
// when a scan may stop at it anyway, its unrounded edges within a twip of
// the player's or beyond 2^30.
Exact Classify(const Shape& s, const RECT& player)
{
    try {
        RECT hit;
        if (dravik::IntersectRect(hit, player, dravik::ExactRectOf(s)) != 0) {
            return Exact::Contact;
        }
    } catch (const dravik::FatalError&) {
        return Exact::Fault;
    }
    const double edges[4] = {s.Left, s.Top, static_cast<double>(s.Left) + s.Width,
                             static_cast<double>(s.Top) + s.Height};
    const bool clear = edges[0] >= player.right + 1 || edges[1] >= player.bottom + 1 || edges[2] <= player.left - 1 ||
                       edges[3] <= player.top - 1;
    for (double e : edges) {
        if (!(std::fabs(e) < 1e9)) {
            return Exact::Near;
        }
    }
    return clear ? Exact::Clear : Exact::Near;
}

int Fail(const char* what, const Shape& s)
{
    std::printf("overlap-check: %s: Left %.9g Top %.9g Width %.9g Height %.9g\n", what, s.Left, s.Top, s.Width,
                s.Height);
    return 1;
}

}  // namespace

int main()
{
    std::mt19937 random(2024);
    const RECT player{960, 10560, 1335, 10935};
    auto coordinate = [&](int around) {
        // Whole twips, halves (ties), quarters and the odd fault.
        const float fraction = std::array<float, 4>{0.0F, 0.5F, 0.25F, -0.5F}[random() % 4];
        return static_cast<float>(around + static_cast<int>(random() % 1600) - 800) + fraction;
    };
    std::vector<Shape> shapes(20000);
    for (Shape& s : shapes) {
        const bool near = random() % 3 == 0;
        s.Left = near ? coordinate(player.left) : coordinate(static_cast<int>(random() % 24000) - 12000);
        s.Top = near ? coordinate(player.top) : coordinate(static_cast<int>(random() % 24000) - 12000);
        s.Width = static_cast<float>(random() % 800) + (random() % 2 != 0 ? 0.5F : 0.0F);
        s.Height = static_cast<float>(random() % 800) + (random() % 2 != 0 ? 0.5F : 0.0F);
        switch (random() % 64) {
            case 0: s.Top = 3.0e9F; break;
            case 1: s.Height = std::numeric_limits<float>::quiet_NaN(); break;
            case 2: s.Left = -2147483648.0F; break;  // rounds to INT32_MIN, a legitimate edge
            case 3: s.Width = std::numeric_limits<float>::infinity(); break;
            case 4: s.Left = 2147483520.0F, s.Width = 128; break;  // the sum rounds past INT32_MAX
            default: break;
        }
    }

    // Each shape alone: the same rectangle, intersection and answer, or the same fault.
    int contacts = 0, faults = 0;
    for (const Shape& s : shapes) {
        const bool fault = Classify(s, player) == Exact::Fault;
        RECT rect, obj{1, 1, 1, 1}, hit{1, 1, 1, 1}, exactHit;
        bool fast = false, rectFault = false, testFault = false;
        try {
            rect = dravik::RectOf(s);
        } catch (const dravik::FatalError&) {
            rectFault = true;
        }
        try {
            fast = dravik::OverlapTest(s, player, obj, hit);
        } catch (const dravik::FatalError&) {
            testFault = true;
        }
        if (rectFault != fault || testFault != fault) {
            return Fail("a fault of the exact test is missed, or one is raised without it", s);
        }
        if (fault) {
            ++faults;
            continue;
        }
        const RECT exactObj = dravik::ExactRectOf(s);
        const bool plain = dravik::IntersectRect(exactHit, player, exactObj) != 0;
        if (!(rect == exactObj) || fast != plain || !(obj == exactObj) || !(hit == exactHit)) {
            return Fail("the rectangle or the overlap test differs from the exact test", s);
        }
        contacts += plain ? 1 : 0;
    }

    // The scan from every index: past every clear shape, never past a contact or a fault.
    const auto last = static_cast<std::int16_t>(shapes.size() - 1);
    std::size_t stop = shapes.size() - 1, firstNear = shapes.size() - 1;
    for (std::size_t first = shapes.size(); first-- > 0;) {
        const Exact exact = Classify(shapes[first], player);
        if (exact == Exact::Contact || exact == Exact::Fault) {
            stop = first;
        }
        if (exact != Exact::Clear) {
            firstNear = first;
        }
        const auto next = static_cast<std::size_t>(
            dravik::NextContact(shapes.data(), static_cast<std::int16_t>(first), last, player));
        if (next > stop || next < firstNear) {
            std::printf("overlap-check: the scan from %zu stops at %zu, not between %zu and %zu\n", first, next,
                        firstNear, stop);
            return 1;
        }
    }
    // A player too far out for single precision: the scan passes over nothing.
    const RECT distant{1 << 23, 0, (1 << 23) + 375, 375};
    if (dravik::NextContact(shapes.data(), 0, last, distant) != 0) {
        std::printf("overlap-check: the scan passes over shapes beside a distant player\n");
        return 1;
    }
    if (contacts < 1000 || faults < 500) {
        std::printf("overlap-check: too few contacts (%d) or faults (%d) to prove anything\n", contacts, faults);
        return 1;
    }
    std::printf("overlap-check: %zu shapes, %d contacts, %d faults: the same as the exact test\n", shapes.size(),
                contacts, faults);
    return 0;
}
