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

    Shape& Item(std::int16_t index);
    const Shape& Item(std::int16_t index) const;

    // Highest index in use, and number of members.
    std::int16_t UBound() const { return static_cast<std::int16_t>(slots_.size()) - 1; }
    std::int16_t Count() const { return static_cast<std::int16_t>(members_.size()); }

    // True when the group has a member with this index.
    bool Has(std::int16_t index) const;

private:
    int SlotOf(std::int16_t index) const;

    std::vector<Shape> members_;
    std::vector<std::int16_t> slots_;  // index -> position in members_, -1 for a gap
};

}  // namespace dravik
