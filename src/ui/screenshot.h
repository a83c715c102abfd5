#pragma once

#include <QColor>
#include <QImage>
#include <string>

#include "level/level.h"

namespace dravik::ui {

// The client area (1047 by 830 logical pixels) painted from the level's state
// by the window's own painter, at a device pixel ratio, with the labels' fonts
// sized for 96 dots per inch. Needs a running QGuiApplication.
QImage RenderScene(const Level& level, double devicePixelRatio = 1.0, QColor outline = Qt::black);

// Writes the client area as a PNG file. Works with no display: when no
// application object exists yet, it starts one on the offscreen platform for
// the time of the call. Returns false and says why when the file cannot be
// written.
bool SaveScreenshot(const Level& level, const std::string& path, std::string& error);

}  // namespace dravik::ui
