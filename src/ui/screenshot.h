#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>

#include "level/level.h"

namespace dravik::ui {

// The client area (1047 by 830 logical pixels) painted from the level's state
// by the window's own painter, at a device pixel ratio, with the labels' fonts
// sized for 96 dots per inch. Needs a running QGuiApplication.
QImage RenderScene(const Level& level, double devicePixelRatio = 1.0, QColor outline = Qt::black);

// The image as the bytes of a PNG file.
QByteArray EncodePng(const QImage& image);

}  // namespace dravik::ui
