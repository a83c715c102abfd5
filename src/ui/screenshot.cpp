#include "ui/screenshot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <cstdlib>
#include <memory>

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
    QPainter painter(&image);
    ScenePainter scene(outline);
    scene.Paint(painter, level, QRegion(0, 0, kClientPixelWidth, kClientPixelHeight));
    return image;
}

bool SaveScreenshot(const Level& level, const std::string& path, std::string& error)
{
    std::unique_ptr<QGuiApplication> app;
    static int argc = 1;
    static char name[] = "dravik-screenshot";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const QColor outline = QGuiApplication::palette().color(QPalette::WindowText);
    const QImage image = RenderScene(level, 1.0, outline);
    if (!image.save(QString::fromStdString(path), "PNG")) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace dravik::ui
