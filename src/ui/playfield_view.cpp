#include "ui/playfield_view.h"

#include <QEvent>
#include <QPaintEvent>
#include <cmath>

#include "run/ghost.h"
#include "ui/scene_geometry.h"
#include "ui/scene_painter.h"

namespace dravik::ui {

PlayfieldView::PlayfieldView(const Level& level, QWidget* parent, double scale)
    : QWidget(parent), level_(level), scale_(scale), painter_(palette().color(QPalette::WindowText))
{
    // Every paint covers its whole region, background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    damage_.Reset(level_);
}

void PlayfieldView::RefreshChanged()
{
    const QRegion changed = damage_.Collect(level_);
    if (!changed.isEmpty()) {
        update(scale_ == 1.0 ? changed : ScaledOut(changed, scale_));
    }
}

void PlayfieldView::SetScale(double scale)
{
    scale_ = scale;
    updateGeometry();
    update();
}

QSize PlayfieldView::sizeHint() const
{
    // (A scale that fits a room exactly may come out a hair above it.)
    return {static_cast<int>(std::ceil(kClientPixelWidth * scale_ - 1e-9)),
            static_cast<int>(std::ceil(kClientPixelHeight * scale_ - 1e-9))};
}

void PlayfieldView::ShowGhost(std::optional<QPointF> twips)
{
    std::optional<QRectF> now;
    if (twips) {
        now = LogicalRect({twips->x(), twips->y(), level_.Square.Width, level_.Square.Height});
    }
    if (now == ghost_) {
        return;
    }
    QRegion changed;
    for (const std::optional<QRectF>& place : {ghost_, now}) {
        if (place) {
            changed += place->toAlignedRect().adjusted(-1, -1, 1, 1);
        }
    }
    ghost_ = now;
    update(scale_ == 1.0 ? changed : ScaledOut(changed, scale_));
}

void PlayfieldView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (scale_ == 1.0) {
        painter_.Paint(painter, level_, event->region());
    } else {
        painter.scale(scale_, scale_);
        painter_.Paint(painter, level_, ScaledOut(event->region(), 1.0 / scale_));
    }
    if (ghost_) {
        // The player's red, see-through, with a firmer edge.
        QColor fill = QColor::fromRgb(RgbOf(run::kGhostColour));
        QColor edge = fill;
        fill.setAlpha(run::kGhostFillAlpha);
        edge.setAlpha(run::kGhostEdgeAlpha);
        painter.fillRect(*ghost_, fill);
        painter.setPen(QPen(edge, 0));
        painter.drawRect(ghost_->adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

// The shapes are outlined in the system's window-text colour.
void PlayfieldView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        painter_.SetOutlineColour(palette().color(QPalette::WindowText));
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace dravik::ui
