#include "flow_view.h"

#include "view_overlay.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

// 1.5 times this is exactly 1.0, so zooming in and out again returns to the same scale.
constexpr double kZoomInFactor = 1.5;
constexpr double kZoomOutFactor = 0.6666666666666666;

} // namespace

FlowView::FlowView(QWidget *parent) : QGraphicsView(parent)
{}

double FlowView::zoom() const
{
    return transform().m11() * devicePixelRatioF();
}

void FlowView::zoomIn()
{
    zoomBy(kZoomInFactor);
}

void FlowView::zoomOut()
{
    zoomBy(kZoomOutFactor);
}

void FlowView::zoomBy(double factor)
{
    // Past a bound the zoom stops at it; a zoom already beyond one (after Fit on a tiny or a
    // huge picture) may come back but never goes further.
    const double now = zoom();
    const double wanted = now * factor;
    const double target = factor > 1.0 ? std::max(now, std::min(wanted, kMaxZoom))
                                       : std::min(now, std::max(wanted, kMinZoom));
    if (target == wanted)
        scale(factor, factor); // the plain factor keeps in-and-out exact
    else if (target != now)
        scale(target / now, target / now);
}

void FlowView::zoomOriginal()
{
    const double ratio = devicePixelRatioF();
    setTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
}

void FlowView::zoomFit()
{
    fitInView(sceneRect(), Qt::KeepAspectRatio);
}

void FlowView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->ignore();
        return;
    default:
        QGraphicsView::keyPressEvent(event);
    }
}

void FlowView::addOverlay(ViewOverlay *overlay)
{
    if (!overlays_.contains(overlay))
        overlays_.append(overlay);
    updateOverlays();
}

void FlowView::removeOverlay(ViewOverlay *overlay)
{
    overlays_.removeAll(overlay);
    updateOverlays();
}

void FlowView::updateOverlays()
{
    viewport()->update();
}

void FlowView::drawForeground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawForeground(painter, rect);
    if (overlays_.isEmpty())
        return;
    painter->save();
    painter->resetTransform();
    const QRect port = viewport()->rect();
    for (ViewOverlay *overlay : overlays_)
        overlay->paintOverlay(*painter, port);
    painter->restore();
}

void FlowView::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    // Scrolling moves the pixels already painted, overlays with them; they must be painted
    // again where they belong.
    if (!overlays_.isEmpty())
        viewport()->update();
}
