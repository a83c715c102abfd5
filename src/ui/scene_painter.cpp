#include "ui/scene_painter.h"

#include <algorithm>

#include "ui/scene_geometry.h"

namespace dravik::ui {

namespace {

QFont LabelFont(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// Answers whether a rectangle reaches into a region, faster than QRegion: the
// region's rectangles lie in bands from top to bottom, so only the bands
// across the rectangle's rows are looked at.
class RegionIndex {
public:
    explicit RegionIndex(const QRegion& region) : first_(region.begin()), last_(region.end()) {}

    bool Touches(const QRect& r) const
    {
        const QRect* it =
            std::lower_bound(first_, last_, r.top(), [](const QRect& band, int top) { return band.bottom() < top; });
        for (; it != last_ && it->top() <= r.bottom(); ++it) {
            if (it->left() <= r.right() && r.left() <= it->right()) {
                return true;
            }
        }
        return false;
    }

private:
    const QRect* first_;
    const QRect* last_;
};

}  // namespace

QRgb RgbOf(Colour colour)
{
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

ScenePainter::ScenePainter(QColor outline) : outline_(outline.rgb()) {}

void ScenePainter::SetOutlineColour(QColor outline)
{
    if (outline.rgb() != outline_) {
        outline_ = outline.rgb();
        sprites_.Clear();
    }
}

const QFont& ScenePainter::FontOf(double points)
{
    auto it = fonts_.find(points);
    if (it == fonts_.end()) {
        it = fonts_.emplace(points, LabelFont(points)).first;
    }
    return it->second;
}

void ScenePainter::Paint(QPainter& painter, const Level& level, const QRegion& region)
{
    lastDrawn_ = 0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Clipped to the region, one fill lays the background under all of it.
    painter.setClipRegion(region, Qt::IntersectClip);
    const QRect reach = region.boundingRect();
    painter.fillRect(reach, QColor(RgbOf(kBackground)));

    // Shapes are placed in device pixels, so that every edge falls on a whole
    // pixel of the screen whatever the scale factor.
    const QTransform logical = painter.worldTransform();
    const QTransform toDevice = painter.deviceTransform();
    const QTransform deviceSpace = toDevice.inverted() * logical;
    const int outlineWidth = OutlineWidth(toDevice);
    painter.setWorldTransform(deviceSpace);

    const RegionIndex damaged(region);
    const std::vector<ControlRef>& order = DesignOrder();
    for (std::size_t i = order.size(); i-- > 0;) {
        const ControlRef& ref = order[i];
        if (IsLabel(ref.name)) {
            const Label* label = level.FindLabel(ref.name);
            const QRect bounds = PaintBounds(TwipRectOf(*label->layout));
            if (reach.intersects(bounds) && damaged.Touches(bounds)) {
                painter.setWorldTransform(logical);
                PaintLabel(painter, *label, toDevice, outlineWidth);
                painter.setWorldTransform(deviceSpace);
                ++lastDrawn_;
            }
            continue;
        }
        const Shape* shape = level.Find(ref.name, ref.index);
        if (shape == nullptr || !shape->Visible) {
            continue;
        }
        const QRect bounds = PaintBounds(TwipRectOf(*shape));
        if (reach.intersects(bounds) && damaged.Touches(bounds)) {
            PaintShape(painter, *shape, toDevice, outlineWidth);
            ++lastDrawn_;
        }
    }
    painter.restore();
}

void ScenePainter::PaintShape(QPainter& painter, const Shape& shape, const QTransform& toDevice, int outlineWidth)
{
    const QRect box = DeviceRect(FigureOf(shape), toDevice);
    const QRgb fill = RgbOf(shape.FillColor);
    if (shape.Kind == kCircle) {
        painter.drawImage(box.topLeft(), sprites_.Get(fill, outline_, box.size(), outlineWidth));
        return;
    }
    // The outline colour over the whole box, the fill inside the line.
    painter.fillRect(box, QColor(outline_));
    const QRect inside = box.adjusted(outlineWidth, outlineWidth, -outlineWidth, -outlineWidth);
    if (inside.isValid()) {
        painter.fillRect(inside, QColor(fill));
    }
}

// Draws a label in logical coordinates; its box, border and clip are placed
// in device pixels like the shapes.
void ScenePainter::PaintLabel(QPainter& painter, const Label& label, const QTransform& toDevice, int outlineWidth)
{
    const LabelRow& row = *label.layout;
    const QRect box = DeviceRect(TwipRectOf(row), toDevice);
    const QTransform logical = painter.worldTransform();
    const QTransform deviceSpace = toDevice.inverted() * logical;
    QRectF text = LogicalRect(TwipRectOf(row));

    painter.save();
    painter.setWorldTransform(deviceSpace);
    if (row.opaque) {
        // A single-line border in the outline colour, white inside it.
        const QRect inside = box.adjusted(outlineWidth, outlineWidth, -outlineWidth, -outlineWidth);
        painter.fillRect(box, QColor(outline_));
        painter.fillRect(inside, QColor(RgbOf(kWhite)));
        painter.setClipRect(inside, Qt::IntersectClip);
        text.adjust(1, 1, -1, -1);
    } else {
        painter.setClipRect(box, Qt::IntersectClip);
    }
    painter.setWorldTransform(logical);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(FontOf(row.fontPoints));
    painter.setPen(QColor(RgbOf(kBlack)));
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(label.Caption));
    painter.restore();
}

}  // namespace dravik::ui
