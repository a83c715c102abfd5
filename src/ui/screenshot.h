#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <string>

#include "level/level.h"

namespace dravik::ui {

// The client area (1047 by 830 logical pixels) painted from the level's state
// by the window's own painter, at a device pixel ratio, with the labels' fonts
// sized for 96 dots per inch. Needs a running QGuiApplication.
QImage RenderScene(const Level& level, double devicePixelRatio = 1.0, QColor outline = Qt::black);

// Writes the image as a PNG file, "-" for standard output. A file is written
// whole or not at all: into a temporary file beside it, renamed into place
// once complete, so a failed write leaves the old file or none. Returns false
// and says why when it cannot be written.
bool SaveScreenshot(const QImage& image, const QString& path, std::string& error);

}  // namespace dravik::ui
