#ifndef PANE_DRAWING_H
#define PANE_DRAWING_H

#include "planes.h"

#include <QString>
#include <QtGlobal>

class QGraphicsPixmapItem;
class QGraphicsSimpleTextItem;

// How the scene's panes are drawn, whoever lays them out: a plane's pixels into a layer, and a
// caption centred under its pane.

// Room below the pictures for their captions, and the captions' offset and the gap between
// panes.
constexpr qreal kCaptionBand = 30;
constexpr qreal kPaneGap = 5;

// Hands the layer the pixmap of plane; a null plane empties it.
void showPlane(QGraphicsPixmapItem *layer, const PixelPlane &plane);

// Shows text under the pane of width W and height H whose left edge is at left.
void placeCaption(QGraphicsSimpleTextItem *label, const QString &text, qreal left, qreal W,
                  qreal H);

#endif // PANE_DRAWING_H
