#include "ui/scene_damage.h"

#include "ui/scene_geometry.h"

namespace dravik::ui {

void SceneDamage::Reset(const Level& level)
{
    const std::vector<ControlRef>& order = DesignOrder();
    shapes_.assign(order.size(), Seen{0, 0, false});
    labels_.assign(order.size(), std::string());
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (IsLabel(order[i].name)) {
            labels_[i] = level.FindLabel(order[i].name)->Caption;
        } else if (const Shape* shape = level.Find(order[i].name, order[i].index)) {
            shapes_[i] = {shape->Left, shape->Top, shape->Visible};
        }
    }
    primed_ = true;
}

QRegion SceneDamage::Collect(const Level& level)
{
    if (!primed_) {
        Reset(level);
        return QRegion(0, 0, kClientPixelWidth, kClientPixelHeight);
    }
    QRegion changed;
    const std::vector<ControlRef>& order = DesignOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (IsLabel(order[i].name)) {
            const Label* label = level.FindLabel(order[i].name);
            if (label->Caption != labels_[i]) {
                labels_[i] = label->Caption;
                changed += PaintBounds(TwipRectOf(*label->layout));
            }
            continue;
        }
        const Shape* shape = level.Find(order[i].name, order[i].index);
        if (shape == nullptr) {
            continue;
        }
        Seen& seen = shapes_[i];
        if (seen.left == shape->Left && seen.top == shape->Top && seen.visible == shape->Visible) {
            continue;
        }
        if (seen.visible) {
            changed += PaintBounds({seen.left, seen.top, shape->Width, shape->Height});
        }
        if (shape->Visible) {
            changed += PaintBounds(TwipRectOf(*shape));
        }
        seen = {shape->Left, shape->Top, shape->Visible};
    }
    return changed;
}

}  // namespace dravik::ui
