#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace dravik::solve {

// Positions of the square, each with a number. Every position the game
// produces is a whole multiple of 15 twips inside the walls, so a stamped
// grid of 15-twip steps serves; any other position goes to a plain map.
// Clear() empties it at once.
class PositionSet {
public:
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;

    PositionSet(int width, int height)
        : width_(width),
          height_(height),
          stamp_(static_cast<std::size_t>(width * height), 0),
          value_(static_cast<std::size_t>(width * height), 0)
    {
    }

    void Clear()
    {
        ++now_;
        others_.clear();
    }

    // The number of the position, or kAbsent.
    std::uint32_t Find(float left, float top) const
    {
        std::uint64_t key = 0;
        const long slot = Slot(left, top, key);
        if (slot < 0) {
            const auto other = others_.find(key);
            return other != others_.end() ? other->second : kAbsent;
        }
        return stamp_[static_cast<std::size_t>(slot)] == now_ ? value_[static_cast<std::size_t>(slot)] : kAbsent;
    }

    // The number of the position, added with `value` when it was not there.
    std::uint32_t Emplace(float left, float top, std::uint32_t value)
    {
        std::uint64_t key = 0;
        const long slot = Slot(left, top, key);
        if (slot < 0) {
            return others_.emplace(key, value).first->second;
        }
        std::uint32_t& stamp = stamp_[static_cast<std::size_t>(slot)];
        if (stamp != now_) {
            stamp = now_;
            value_[static_cast<std::size_t>(slot)] = value;
        }
        return value_[static_cast<std::size_t>(slot)];
    }

    // Adds the position with its number; false when it was already there.
    bool Insert(float left, float top, std::uint32_t value = 0)
    {
        std::uint64_t key = 0;
        const long slot = Slot(left, top, key);
        if (slot < 0) {
            return others_.emplace(key, value).second;
        }
        std::uint32_t& stamp = stamp_[static_cast<std::size_t>(slot)];
        if (stamp == now_) {
            return false;
        }
        stamp = now_;
        value_[static_cast<std::size_t>(slot)] = value;
        return true;
    }

private:
    // The position's place on the grid; -1, with its key for the map, off it.
    long Slot(float left, float top, std::uint64_t& key) const
    {
        if (left >= 0 && top >= 0 && left < static_cast<float>(width_) * 15 && top < static_cast<float>(height_) * 15) {
            const long x = static_cast<long>(left), y = static_cast<long>(top);
            if (static_cast<float>(x) == left && static_cast<float>(y) == top && x % 15 == 0 && y % 15 == 0) {
                return x / 15 + y / 15 * width_;
            }
        }
        static_assert(sizeof(float) * 2 == sizeof key);
        const std::array<float, 2> both = {left, top};
        std::memcpy(&key, both.data(), sizeof key);
        return -1;
    }

    int width_, height_;
    std::vector<std::uint32_t> stamp_, value_;
    std::uint32_t now_ = 1;
    std::unordered_map<std::uint64_t, std::uint32_t> others_;
};

}  // namespace dravik::solve
