#ifndef PANE_LAYOUT_H
#define PANE_LAYOUT_H

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where a mode's panes of one picture size go in the scene: side by side in a row, or one above
// the other in a column, each with its caption band below the picture.
enum class PaneArrangement { Row, Column };

// The rectangle the panes cover together.
QSizeF panesSize(QSizeF picture, int count, PaneArrangement arrangement);
// The picture of pane index, its caption band not included.
QRectF panePicture(QSizeF picture, int index, PaneArrangement arrangement);
// The zoom at which the panes fit a viewport, as Fit shows them.
double paneFitZoom(QSizeF picture, int count, PaneArrangement arrangement, QSizeF viewport);
// The arrangement that shows the pictures larger at Fit in a viewport of that size; a row when
// both are alike.
PaneArrangement bestArrangement(QSizeF picture, int count, QSizeF viewport);

#endif // PANE_LAYOUT_H
