#include "ui/playfield_view.h"

#include <QEvent>
#include <QPaintEvent>

#include "ui/scene_geometry.h"

namespace dravik::ui {

PlayfieldView::PlayfieldView(const Level& level, QWidget* parent)
    : QWidget(parent), level_(level), painter_(palette().color(QPalette::WindowText))
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
        update(changed);
    }
}

QSize PlayfieldView::sizeHint() const
{
    return {kClientPixelWidth, kClientPixelHeight};
}

void PlayfieldView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter_.Paint(painter, level_, event->region());
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
