#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/form.h"
#include "solve/route.h"
#include "solve/search.h"

// What the beam keeps of each state, and what an earlier tour's beam hands
// over to a later one that starts alike.
namespace dravik::solve {

// The keys a state has collected, one bit per key index.
struct KeySet {
    std::array<std::uint64_t, 4> bits{};
    void Set(int k) { bits[static_cast<std::size_t>(k) / 64] |= std::uint64_t{1} << (k % 64); }
    bool Has(int k) const { return (bits[static_cast<std::size_t>(k) / 64] >> (k % 64)) & 1U; }
    int Count() const
    {
        int n = 0;
        for (std::uint64_t b : bits) {
            n += std::popcount(b);
        }
        return n;
    }
};

// One state of the beam: the square where a tick left it, the arrows held,
// and the keys collected so far.
struct State {
    float left, top;
    Move held;
    std::uint32_t node;   // its place in the history
    std::uint16_t stage;  // how many keys of the route's order are all collected
    std::uint16_t count;  // how many keys are collected in all
    KeySet keys;
};

// The history of every state kept: the state it came from and the move that led here.
struct Node {
    std::uint32_t parent;
    std::uint8_t move;
};

// A beam of one width as it stood at the start of a tick, with everything
// needed to go on from there: where a later tour takes up the search of an
// earlier one. Or, when `diedOut`, the tick in which that beam died out
// before the two tours parted: the later tour's beam of that width dies
// there too.
struct Takeover {
    std::size_t tour = 0;  // the tour it comes from
    std::size_t width = 0;
    std::uint64_t tick = 0;
    bool diedOut = false;
    std::vector<State> beam;
    std::vector<Node> nodes;
    Form world;
    Form work;
    KeySet workKeys;
};

// A later tour that shares the first `keys` keys of its order (and their
// aims) with this one, and where its takeovers go, one for each width.
struct Handover {
    std::size_t from = 0;  // this tour
    std::size_t keys = 0;
    std::vector<Takeover>* into = nullptr;
};

// How many keys two tours fetch in the same order, aiming at the same cells,
// from the start.
inline std::size_t SharedKeys(const Route& a, const Route& b)
{
    std::size_t k = 0;
    while (k < a.order.size() && k < b.order.size() && a.order[k] == b.order[k] && a.aims[k] == b.aims[k]) {
        ++k;
    }
    return k;
}

}  // namespace dravik::solve
