#pragma once

#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QTransform>

#include "level/layout.h"
#include "level/shape.h"

namespace dravik::ui {

// The client area in logical pixels: 1047 by 830.
inline constexpr int kClientPixelWidth = kClientWidth / kTwipsPerPixel;
inline constexpr int kClientPixelHeight = kClientHeight / kTwipsPerPixel;

// A rectangle given in twips, as the level and the labels store them.
struct TwipRect {
    double left, top, width, height;
};

TwipRect TwipRectOf(const Shape& shape);
TwipRect TwipRectOf(const LabelRow& label);

// The box the figure fills inside the shape's rectangle: the whole rectangle
// for a rectangle, the largest centred square for a square or a circle.
TwipRect FigureOf(const Shape& shape);

// The rectangle in logical pixels (twips / 15), not rounded.
QRectF LogicalRect(const TwipRect& r);

// The rectangle in the pixels of the paint device: the logical rectangle
// mapped through the painter's device transform, each edge rounded to the
// nearest device pixel. Shapes that share an edge in twips share it here too,
// so nothing leaves a seam at any scale factor.
QRect DeviceRect(const TwipRect& r, const QTransform& toDevice);

// The width of a one-pixel outline in device pixels: one logical pixel,
// rounded, and never less than one device pixel.
int OutlineWidth(const QTransform& toDevice);

// A logical rectangle that holds every device pixel a control can paint at
// any scale factor: the outward-rounded rectangle grown by one pixel.
QRect PaintBounds(const TwipRect& r);

// The region scaled by a factor and rounded outwards, grown by one pixel, so
// that it holds every pixel a painting of the original region at that scale
// can touch.
QRegion ScaledOut(const QRegion& region, double factor);

}  // namespace dravik::ui
