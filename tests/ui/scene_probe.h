#pragma once

#include <QImage>
#include <QRect>
#include <cmath>
#include <cstdint>
#include <functional>

#include "game/form.h"

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

// The scale the window tests show the level at: a QT_SCALE_FACTOR below 1,
// taken as dravik takes it; else 1.
double LevelScale();

// A scripted game of this many ticks that shows every kind of change.
inline constexpr int kScriptedTicks = 1500;

// What happens before game tick `tick` of the scripted game: right along the
// lower corridor taking keys, up, left, down; on the way the clock every 64
// ticks, a death in the field of balls (tick 1000), a win (1100, when `win`)
// and a RESET (1200) through `reset`.
inline void BeforeScriptedTick(Form& form, int tick, bool win, const std::function<void()>& reset)
{
    const std::pair<int, std::int16_t> plan[] = {{1, vbKeyRight}, {400, vbKeyUp}, {700, vbKeyLeft}, {900, vbKeyDown}};
    for (const auto& [at, key] : plan) {
        if (at == tick) {
            form.Form_KeyUp(vbKeyRight, 0);
            form.Form_KeyUp(vbKeyUp, 0);
            form.Form_KeyDown(key, 0);
        }
    }
    if (tick % 64 == 0) {
        form.tmrTime_Timer();
    }
    if (tick == 1000) {
        form.Square.Left = form.Balls13.Item(40).Left;
        form.Square.Top = form.Balls13.Item(40).Top;
    }
    if (tick == 1100 && win) {
        for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
            form.Key.Item(i).Visible = false;
        }
        form.Square.Left = 3600;
        form.Square.Top = 6000;
    }
    if (tick == 1200) {
        reset();
    }
}

}  // namespace dravik::ui::probe
