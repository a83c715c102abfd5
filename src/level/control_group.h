#pragma once

#include <cstdint>
#include <vector>

#include "level/shape.h"

namespace dravik {

// Shapes that share one name, addressed by a 16-bit index. Indexes start at 0
// and may have gaps; asking for a member that does not exist is a fatal error.
class ControlGroup {
public:
    // Adds a member; indexes must be added in increasing order.
    void Add(std::int16_t index, const Shape& shape);

    Shape& Item(std::int16_t index) { return members_[Checked(index)]; }
    const Shape& Item(std::int16_t index) const { return members_[Checked(index)]; }

    // Highest index in use, and number of members.
    std::int16_t UBound() const { return static_cast<std::int16_t>(static_cast<int>(members_.size()) - 1); }
    std::int16_t Count() const { return count_; }

    // The members side by side from index 0 to UBound(), when no index in
    // between is a gap; nullptr otherwise, and a scan must then fail at the gap.
    Shape* Contiguous() { return Dense() ? members_.data() : nullptr; }
    const Shape* Contiguous() const { return Dense() ? members_.data() : nullptr; }

    // True when the group has a member with this index.
    bool Has(std::int16_t index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < present_.size() &&
               present_[static_cast<std::size_t>(index)] != 0;
    }

private:
    bool Dense() const { return static_cast<std::size_t>(count_) == members_.size(); }
    std::size_t Checked(std::int16_t index) const
    {
        if (!Has(index)) [[unlikely]] {
            MissingMember(index);
        }
        return static_cast<std::size_t>(index);
    }
    [[noreturn]] static void MissingMember(std::int16_t index);

    std::vector<Shape> members_;         // by index; a gap holds an unused shape
    std::vector<std::uint8_t> present_;  // by index: 1 for a member, 0 for a gap
    std::int16_t count_ = 0;
};

}  // namespace dravik
