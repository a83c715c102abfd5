#include "ui/screenshot.h"

#include <QBuffer>
#include <QPainter>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

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

bool SaveScreenshot(const QImage& image, const QString& path, std::string& error)
{
    // Encoded in memory first, so that a failed write says why.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (path == QLatin1String("-")) {
        const auto size = static_cast<std::size_t>(bytes.size());
        if (std::fwrite(bytes.constData(), 1, size, stdout) != size || std::fflush(stdout) != 0) {
            error = std::string("cannot write the picture to standard output: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    // A temporary file beside it, renamed into place once whole. Flushed
    // first: the failure to commit would not say what went wrong.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    if (!file.commit()) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace dravik::ui
