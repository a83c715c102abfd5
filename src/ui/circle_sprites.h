#pragma once

#include <QColor>
#include <QImage>
#include <map>
#include <tuple>

namespace dravik::ui {

// The look of every circle of the level, drawn once and then copied into
// place. A circle is always drawn on whole device pixels, so its copy looks
// exactly like a fresh drawing, and a frame costs one small copy a ball.
class CircleSprites {
public:
    // A circle that fills a size.width() by size.height() device-pixel box:
    // filled solid, antialiased, outlined inside the box by a line of
    // outlineWidth device pixels.
    const QImage& Get(QRgb fill, QRgb outline, QSize size, int outlineWidth);

    void Clear() { sprites_.clear(); }

private:
    using Key = std::tuple<QRgb, QRgb, int, int, int>;
    std::map<Key, QImage> sprites_;
};

}  // namespace dravik::ui
