#include "level/control_group.h"

#include <string>

#include "level/fatal_error.h"

namespace dravik {

void ControlGroup::Add(std::int16_t index, const Shape& shape)
{
    if (index < static_cast<std::int16_t>(members_.size())) {
        throw FatalError(FaultKind::BadControl, "control group members must be added in increasing index order");
    }
    members_.resize(static_cast<std::size_t>(index) + 1);
    present_.resize(static_cast<std::size_t>(index) + 1, 0);
    members_[static_cast<std::size_t>(index)] = shape;
    present_[static_cast<std::size_t>(index)] = 1;
    ++count_;
}

void ControlGroup::MissingMember(std::int16_t index)
{
    throw FatalError(FaultKind::BadControl, "control array element " + std::to_string(index) + " doesn't exist");
}

}  // namespace dravik
