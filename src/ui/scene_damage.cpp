#include "ui/scene_damage.h"

#include "ui/scene_geometry.h"

namespace dravik::ui {

namespace {

// The union of many rectangles, merged pairwise: each merge joins two regions
// of about the same size, which keeps the work near n log n.
QRegion UnionOf(const std::vector<QRect>& rects)
{
    std::vector<QRegion> parts(rects.begin(), rects.end());
    while (parts.size() > 1) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < parts.size(); i += 2) {
            parts[kept++] = i + 1 < parts.size() ? parts[i].united(parts[i + 1]) : parts[i];
        }
        parts.resize(kept);
    }
    return parts.empty() ? QRegion() : parts.front();
}

}  // namespace

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
    std::vector<QRect> changed;
    const std::vector<ControlRef>& order = DesignOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (IsLabel(order[i].name)) {
            const Label* label = level.FindLabel(order[i].name);
            if (label->Caption != labels_[i]) {
                labels_[i] = label->Caption;
                changed.push_back(PaintBounds(TwipRectOf(*label->layout)));
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
        // A step is short: the old and the new place overlap and make one
        // rectangle; after a jump (a respawn) they are two.
        const QRect before = seen.visible ? PaintBounds({seen.left, seen.top, shape->Width, shape->Height}) : QRect();
        const QRect now = shape->Visible ? PaintBounds(TwipRectOf(*shape)) : QRect();
        if (before.intersects(now)) {
            changed.push_back(before.united(now));
        } else {
            for (const QRect& r : {before, now}) {
                if (!r.isNull()) {
                    changed.push_back(r);
                }
            }
        }
        seen = {shape->Left, shape->Top, shape->Visible};
    }
    return UnionOf(changed);
}

}  // namespace dravik::ui
