#include "ui/scene_geometry.h"

#include <algorithm>
#include <cmath>

namespace dravik::ui {

namespace {

constexpr double kTwip = kTwipsPerPixel;

// Far beyond any screen, and safe to convert to int.
constexpr double kFarAway = 1e7;

int ToPixel(double value)
{
    return std::isnan(value) ? 0 : static_cast<int>(std::clamp(value, -kFarAway, kFarAway));
}

int RoundEdge(double device)
{
    return ToPixel(std::floor(device + 0.5));
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
    const int left = ToPixel(std::floor(r.left / kTwip)) - 1;
    const int top = ToPixel(std::floor(r.top / kTwip)) - 1;
    const int right = ToPixel(std::ceil((r.left + r.width) / kTwip)) + 1;
    const int bottom = ToPixel(std::ceil((r.top + r.height) / kTwip)) + 1;
    return {QPoint(left, top), QSize(right - left, bottom - top)};
}

}  // namespace dravik::ui
