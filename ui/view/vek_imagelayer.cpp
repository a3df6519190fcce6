#include "vek_imagelayer.h"

#include "layer_listener.h"
#include "wheel_notches.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneWheelEvent>

Vek_ImageLayer::Vek_ImageLayer(Vek_Zandor *window)
    : QObject(nullptr), QGraphicsPixmapItem(nullptr), mainWindow(window)
{
    setAcceptHoverEvents(true);
}

void Vek_ImageLayer::attach(LayerListener *listener, WheelNotches *notches)
{
    listener_ = listener;
    notches_ = notches;
}

void Vek_ImageLayer::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    // Item coordinates are pixmap pixels whatever the layer's place and the view's zoom.
    const QPointF pos = event->pos();
    if (listener_)
        listener_->pixelHovered(int(pos.x()), int(pos.y()), event->scenePos());
    QGraphicsItem::hoverMoveEvent(event);
}

void Vek_ImageLayer::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    if (listener_)
        listener_->pointerLeft();
    QGraphicsItem::hoverLeaveEvent(event);
}

void Vek_ImageLayer::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mousePressEvent(event);
}

void Vek_ImageLayer::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseMoveEvent(event);
}

void Vek_ImageLayer::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseReleaseEvent(event);
}

void Vek_ImageLayer::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    // The wheel over the picture browses: taken here, it does not also scroll the view, so a
    // region zoomed in on stays in place from file to file.
    event->accept();
    if (!listener_ || !notches_)
        return;
    const int notches = notches_->add(event->delta());
    if (notches != 0)
        listener_->notchesTurned(notches);
}
