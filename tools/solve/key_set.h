#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace dravik::solve {

// The keys a run has collected, one bit per key index.
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
    // True when every key of `other` is in this set too.
    bool Holds(const KeySet& other) const
    {
        for (std::size_t w = 0; w < bits.size(); ++w) {
            if ((other.bits[w] & ~bits[w]) != 0) {
                return false;
            }
        }
        return true;
    }
    friend bool operator==(const KeySet&, const KeySet&) = default;
};

}  // namespace dravik::solve
