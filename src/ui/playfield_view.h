#pragma once

#include <QWidget>

#include "level/level.h"
#include "ui/scene_damage.h"
#include "ui/scene_painter.h"

namespace dravik::ui {

// The client area of the window: paints the level from its state and, after
// each handler, asks for a repaint of only what the handler changed. Its
// origin is the client area's origin, and nothing in it depends on its size:
// a smaller window shows less, a larger one more background.
class PlayfieldView : public QWidget {
public:
    PlayfieldView(const Level& level, QWidget* parent);

    // Call after any handler ran: schedules the repaint of what changed.
    void RefreshChanged();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

    // The controls drawn by the last paint, for the tests and benchmarks.
    int LastDrawn() const { return painter_.LastDrawn(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const Level& level_;
    ScenePainter painter_;
    SceneDamage damage_;
};

}  // namespace dravik::ui
