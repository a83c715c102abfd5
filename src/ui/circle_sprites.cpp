#include "ui/circle_sprites.h"

#include <QPainter>

namespace dravik::ui {

const QImage& CircleSprites::Get(QRgb fill, QRgb outline, QSize size, int outlineWidth)
{
    const Key key{fill, outline, size.width(), size.height(), outlineWidth};
    auto it = sprites_.find(key);
    if (it != sprites_.end()) {
        return it->second;
    }
    QImage sprite(size, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    {
        QPainter p(&sprite);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(QColor(fill));
        QPen pen{QColor(outline)};
        pen.setWidth(outlineWidth);
        p.setPen(pen);
        // The line is centred on the path: inset by half its width, it stays
        // inside the shape's box.
        const double inset = outlineWidth / 2.0;
        p.drawEllipse(QRectF(inset, inset, size.width() - outlineWidth, size.height() - outlineWidth));
    }
    return sprites_.emplace(key, std::move(sprite)).first->second;
}

}  // namespace dravik::ui
