#pragma once

#include <QImage>
#include <QRect>
#include <cmath>

// Reading rendered frames in the level's own terms.
namespace dravik::ui::probe {

inline const QRgb kCyan = qRgb(0, 255, 255);
inline const QRgb kRed = qRgb(255, 0, 0);
inline const QRgb kYellow = qRgb(255, 255, 0);
inline const QRgb kPaleGreen = qRgb(128, 255, 128);
inline const QRgb kBlue = qRgb(0, 0, 255);
inline const QRgb kDarkBlue = qRgb(0, 0, 192);
inline const QRgb kBlack = qRgb(0, 0, 0);
inline const QRgb kWhite = qRgb(255, 255, 255);

// The colour of the device pixel that covers a point given in twips.
inline QRgb At(const QImage& frame, double twipX, double twipY)
{
    const double ratio = frame.devicePixelRatio();
    const int x = static_cast<int>(std::floor(twipX / 15.0 * ratio));
    const int y = static_cast<int>(std::floor(twipY / 15.0 * ratio));
    return frame.pixel(x, y) | 0xff000000u;
}

// The bounding box, in device pixels, of the pixels of one colour inside a
// device-pixel rectangle; empty when there are none.
inline QRect BoxOf(const QImage& frame, const QRect& area, QRgb colour)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((frame.pixel(x, y) | 0xff000000u) == colour) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

}  // namespace dravik::ui::probe
