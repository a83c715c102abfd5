#pragma once

#include <QWidget>
#include <optional>

#include "level/level.h"
#include "ui/scene_damage.h"
#include "ui/scene_painter.h"

namespace dravik::ui {

// The client area of the window: paints the level from its state and, after
// each handler, asks for a repaint of only what the handler changed. Its
// origin is the client area's origin, and nothing in it depends on its size:
// a smaller window shows less, a larger one more background.
//
// Below a scale factor of 1 the toolkit would still paint at full size (its
// painter never scales down) but place and show the damage scaled. There the
// toolkit runs at 1 and the view scales the level itself by `scale`: the
// level shrinks as a whole, the menu and the boxes keep their size.
class PlayfieldView : public QWidget {
public:
    PlayfieldView(const Level& level, QWidget* parent, double scale = 1.0);

    // Call after any handler ran: schedules the repaint of what changed.
    void RefreshChanged();

    // The level's scale from now on (a window fitting its screen as it opens).
    void SetScale(double scale);
    double Scale() const { return scale_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

    // The ghost's square at (left, top) in twips, drawn translucent over the
    // level; nothing hides it.
    void ShowGhost(std::optional<QPointF> twips);

    // The controls drawn by the last paint, for the tests and benchmarks.
    int LastDrawn() const { return painter_.LastDrawn(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const Level& level_;
    double scale_;
    ScenePainter painter_;
    SceneDamage damage_;
    std::optional<QRectF> ghost_;  // in logical pixels
};

}  // namespace dravik::ui
