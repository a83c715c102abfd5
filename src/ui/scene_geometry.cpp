#include "ui/scene_geometry.h"

#include <algorithm>
#include <cmath>

namespace dravik::ui {

namespace {

constexpr double kTwip = kTwipsPerPixel;

// Far beyond any screen, and safe to hold in an int.
constexpr int kFarAway = 10'000'000;

// The largest whole number not above the value, kept within kFarAway (NaN
// gives 0). Plain arithmetic: this runs for every control at every frame.
int FloorPixel(double value)
{
    if (!(value >= -kFarAway && value <= kFarAway)) {
        return std::isnan(value) ? 0 : value < 0 ? -kFarAway : kFarAway;
    }
    const int whole = static_cast<int>(value);  // towards zero
    return whole > value ? whole - 1 : whole;
}

int CeilPixel(double value)
{
    return -FloorPixel(-value);
}

int RoundEdge(double device)
{
    return FloorPixel(device + 0.5);
}

}  // namespace

TwipRect TwipRectOf(const Shape& shape)
{
    return {shape.Left, shape.Top, shape.Width, shape.Height};
}

TwipRect FigureOf(const Shape& shape)
{
    const TwipRect box = TwipRectOf(shape);
    if (shape.Kind == kRectangle || box.width == box.height) {
        return box;
    }
    const double side = std::min(box.width, box.height);
    return {box.left + (box.width - side) / 2, box.top + (box.height - side) / 2, side, side};
}

TwipRect TwipRectOf(const LabelRow& label)
{
    return {static_cast<double>(label.left), static_cast<double>(label.top), static_cast<double>(label.width),
            static_cast<double>(label.height)};
}

QRectF LogicalRect(const TwipRect& r)
{
    return {r.left / kTwip, r.top / kTwip, r.width / kTwip, r.height / kTwip};
}

QRect DeviceRect(const TwipRect& r, const QTransform& toDevice)
{
    // Only scaling and translation occur on a window or an image.
    const double sx = toDevice.m11(), sy = toDevice.m22();
    const double dx = toDevice.dx(), dy = toDevice.dy();
    const int left = RoundEdge(r.left / kTwip * sx + dx);
    const int top = RoundEdge(r.top / kTwip * sy + dy);
    const int right = RoundEdge((r.left + r.width) / kTwip * sx + dx);
    const int bottom = RoundEdge((r.top + r.height) / kTwip * sy + dy);
    return {QPoint(left, top), QSize(std::max(1, right - left), std::max(1, bottom - top))};
}

int OutlineWidth(const QTransform& toDevice)
{
    return std::max(1, RoundEdge(std::min(std::abs(toDevice.m11()), std::abs(toDevice.m22()))));
}

QRect PaintBounds(const TwipRect& r)
{
    const int left = FloorPixel(r.left / kTwip) - 1;
    const int top = FloorPixel(r.top / kTwip) - 1;
    const int right = CeilPixel((r.left + r.width) / kTwip) + 1;
    const int bottom = CeilPixel((r.top + r.height) / kTwip) + 1;
    return {QPoint(left, top), QSize(right - left, bottom - top)};
}

QRegion ScaledOut(const QRegion& region, double factor)
{
    QRegion scaled;
    for (const QRect& r : region) {
        const int left = FloorPixel(r.left() * factor) - 1;
        const int top = FloorPixel(r.top() * factor) - 1;
        const int right = CeilPixel((r.right() + 1) * factor) + 1;
        const int bottom = CeilPixel((r.bottom() + 1) * factor) + 1;
        scaled += QRect(QPoint(left, top), QSize(right - left, bottom - top));
    }
    return scaled;
}

}  // namespace dravik::ui
