#include "level/level.h"

#include <array>
#include <utility>

#include "level/fatal_error.h"

namespace dravik {

namespace {

Shape ShapeFrom(const ShapeRow& row)
{
    Shape s;
    s.Left = static_cast<float>(row.left);
    s.Top = static_cast<float>(row.top);
    s.Width = static_cast<float>(row.width);
    s.Height = static_cast<float>(row.height);
    s.Visible = true;
    s.Kind = row.kind;
    s.FillColor = row.colour;
    s.FillStyle = 0;
    return s;
}

// Where each control lives in a Level: the member behind a name, or nullptr.
// The lookups below apply it to a const or a non-const level alike.
Shape Level::*SingleMember(ControlName name)
{
    return MemberOf(name).shape;
}

ControlGroup Level::*GroupMember(ControlName name)
{
    return MemberOf(name).group;
}

Label Level::*LabelMember(ControlName name)
{
    return MemberOf(name).label;
}

// The member of a level, const or not, that a lookup found; nullptr for none.
template <typename L, typename T>
auto At(L& level, T Level::*member) -> decltype(&(level.*member))
{
    return member != nullptr ? &(level.*member) : nullptr;
}

template <typename L>
auto FindIn(L& level, ControlName name, std::int16_t index) -> decltype(&level.Square)
{
    if (index == kSingle) {
        return At(level, SingleMember(name));
    }
    auto* group = At(level, GroupMember(name));
    return group != nullptr && group->Has(index) ? &group->Item(index) : nullptr;
}

}  // namespace

Level::Level()
{
    for (const ShapeRow& row : kShapeTable) {
        Shape* single = row.index == kSingle ? At(*this, SingleMember(row.name)) : nullptr;
        ControlGroup* group = row.index == kSingle ? nullptr : Group(row.name);
        if (single != nullptr) {
            *single = ShapeFrom(row);
        } else if (group != nullptr) {
            group->Add(row.index, ShapeFrom(row));
        } else {
            throw FatalError(FaultKind::BadControl, "level table names no such control");
        }
    }
    for (const LabelRow& row : kLabelTable) {
        Label* label = FindLabel(row.name);
        label->Caption = std::string(row.caption);
        label->layout = &row;
    }
}

const ControlGroup* Level::Group(ControlName name) const
{
    return At(*this, GroupMember(name));
}

ControlGroup* Level::Group(ControlName name)
{
    return At(*this, GroupMember(name));
}

const Shape* Level::Find(ControlName name, std::int16_t index) const
{
    return FindIn(*this, name, index);
}

Shape* Level::Find(ControlName name, std::int16_t index)
{
    return FindIn(*this, name, index);
}

const Label* Level::FindLabel(ControlName name) const
{
    return At(*this, LabelMember(name));
}

Label* Level::FindLabel(ControlName name)
{
    return At(*this, LabelMember(name));
}

const std::vector<ControlRef>& DesignOrder()
{
    static const std::vector<ControlRef> order = [] {
        std::vector<ControlRef> out;
        for (const DesignRun& run : kDesignOrder) {
            if (run.first == kSingle) {
                out.push_back({run.name, kSingle});
                continue;
            }
            const int step = run.first <= run.last ? 1 : -1;
            for (int i = run.first;; i += step) {
                out.push_back({run.name, static_cast<std::int16_t>(i)});
                if (i == run.last) {
                    break;
                }
            }
        }
        return out;
    }();
    return order;
}

}  // namespace dravik
