#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "solve/search.h"

// What the beam keeps of each state.
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
    std::uint32_t place;  // where its next tick begins, in the place graph
    std::uint16_t stage;  // how many keys of the route's order are all collected
    std::uint16_t count;  // how many keys are collected in all
    KeySet keys;
};

// The history of every state kept: the state it came from and the move that led here.
struct Node {
    std::uint32_t parent;
    std::uint8_t move;
};

}  // namespace dravik::solve
