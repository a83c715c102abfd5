#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRegion>
#include <map>

#include "level/level.h"
#include "ui/circle_sprites.h"

namespace dravik::ui {

// A colour of the level (0x00BBGGRR) as Qt writes it.
QRgb RgbOf(Colour colour);

// Paints the client area from the level's state alone: the cyan background,
// every visible shape as its figure with a one-pixel outline, and the four
// labels, stacked in the design order (the earlier on top). The window and the
// screenshots both paint through here.
class ScenePainter {
public:
    // The outline is the system's window-text colour.
    explicit ScenePainter(QColor outline = Qt::black);

    void SetOutlineColour(QColor outline);

    // Paints the part of the client area inside `region`, given in the
    // painter's logical pixels: the background there, then only the controls
    // that reach into the region, the latest in the design order first.
    void Paint(QPainter& painter, const Level& level, const QRegion& region);

    // How many controls the last Paint drew.
    int LastDrawn() const { return lastDrawn_; }

private:
    void PaintShape(QPainter& painter, const Shape& shape, const QTransform& toDevice, int outlineWidth);
    void PaintLabel(QPainter& painter, const Label& label, const QTransform& toDevice, int outlineWidth);
    const QFont& FontOf(double points);

    QRgb outline_;
    CircleSprites sprites_;
    std::map<double, QFont> fonts_;  // the labels' font, by point size
    int lastDrawn_ = 0;
};

}  // namespace dravik::ui
