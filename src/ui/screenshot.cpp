#include "ui/screenshot.h"

#include <QBuffer>
#include <QPainter>
#include <cmath>

#include "ui/scene_geometry.h"
#include "ui/scene_painter.h"

namespace dravik::ui {

namespace {

constexpr int kDotsPerMeterAt96Dpi = 3780;  // 96 / 0.0254, rounded

}  // namespace

QImage RenderScene(const Level& level, double devicePixelRatio, QColor outline)
{
    const QSize device(static_cast<int>(std::ceil(kClientPixelWidth * devicePixelRatio)),
                       static_cast<int>(std::ceil(kClientPixelHeight * devicePixelRatio)));
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    // Where the scaled client area ends inside a device pixel, the pixel
    // shows background, as in the window.
    image.fill(QColor(RgbOf(kBackground)));
    QPainter painter(&image);
    // The toolkit's painter scales up to a ratio above 1 by itself, never
    // down to one below it.
    if (devicePixelRatio < 1) {
        painter.scale(devicePixelRatio, devicePixelRatio);
    }
    ScenePainter scene(outline);
    scene.Paint(painter, level, QRegion(0, 0, kClientPixelWidth, kClientPixelHeight));
    return image;
}

QByteArray EncodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace dravik::ui
