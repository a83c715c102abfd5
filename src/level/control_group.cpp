#include "level/control_group.h"

#include <string>

#include "level/fatal_error.h"

namespace dravik {

void ControlGroup::Add(std::int16_t index, const Shape& shape)
{
    if (index < static_cast<std::int16_t>(slots_.size())) {
        throw FatalError(FaultKind::BadControl, "control group members must be added in increasing index order");
    }
    slots_.resize(static_cast<std::size_t>(index) + 1, -1);
    slots_[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(members_.size());
    members_.push_back(shape);
}

int ControlGroup::SlotOf(std::int16_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= slots_.size() || slots_[static_cast<std::size_t>(index)] < 0) {
        throw FatalError(FaultKind::BadControl, "control array element " + std::to_string(index) + " doesn't exist");
    }
    return slots_[static_cast<std::size_t>(index)];
}

Shape& ControlGroup::Item(std::int16_t index)
{
    return members_[static_cast<std::size_t>(SlotOf(index))];
}

const Shape& ControlGroup::Item(std::int16_t index) const
{
    return members_[static_cast<std::size_t>(SlotOf(index))];
}

bool ControlGroup::Has(std::int16_t index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < slots_.size() &&
           slots_[static_cast<std::size_t>(index)] >= 0;
}

}  // namespace dravik
