#include "ui/playfield_view.h"

#include <QEvent>
#include <QPaintEvent>
#include <cmath>

#include "ui/scene_geometry.h"

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

void PlayfieldView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (scale_ == 1.0) {
        painter_.Paint(painter, level_, event->region());
        return;
    }
    painter.scale(scale_, scale_);
    painter_.Paint(painter, level_, ScaledOut(event->region(), 1.0 / scale_));
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
