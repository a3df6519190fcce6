#include "vek_imagelayer.h"

#include "vek_zandor.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneWheelEvent>
#include <QStatusBar>

Vek_ImageLayer::Vek_ImageLayer(Vek_Zandor *window)
    : QObject(nullptr), QGraphicsPixmapItem(nullptr), mainWindow(window)
{
    setAcceptHoverEvents(true);
}

void Vek_ImageLayer::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    // Item coordinates are pixmap pixels whatever the layer's place and the view's zoom.
    const QPointF pos = event->pos();
    mainWindow->ShowPixelInfo(int(pos.x()), int(pos.y()));
    QGraphicsItem::hoverMoveEvent(event);
}

void Vek_ImageLayer::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    mainWindow->statusBar()->showMessage(tr(""), 0);
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
    mainWindow->browseByStep = true;
    mainWindow->browseStep = event->delta() / 120;
    mainWindow->LoadCurrentFile();
    // Left unaccepted by the base handler, so the view still scrolls.
    QGraphicsItem::wheelEvent(event);
}
