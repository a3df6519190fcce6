#include "pane_layout.h"

#include "pane_drawing.h"

#include <algorithm>

QSizeF panesSize(QSizeF picture, int count, PaneArrangement arrangement)
{
    // A row keeps the document's channel views' gap between pictures; in a column the caption
    // band already parts them.
    if (arrangement == PaneArrangement::Row)
        return {count * picture.width() + (count - 1) * kPaneGap, picture.height() + kCaptionBand};
    return {picture.width(), count * (picture.height() + kCaptionBand)};
}

QRectF panePicture(QSizeF picture, int index, PaneArrangement arrangement)
{
    const QPointF origin = arrangement == PaneArrangement::Row
                               ? QPointF(index * (picture.width() + kPaneGap), 0)
                               : QPointF(0, index * (picture.height() + kCaptionBand));
    return {origin, picture};
}

double paneFitZoom(QSizeF picture, int count, PaneArrangement arrangement, QSizeF viewport)
{
    const QSizeF all = panesSize(picture, count, arrangement);
    if (all.isEmpty())
        return 0;
    return std::min(viewport.width() / all.width(), viewport.height() / all.height());
}

PaneArrangement bestArrangement(QSizeF picture, int count, QSizeF viewport)
{
    return paneFitZoom(picture, count, PaneArrangement::Column, viewport) >
                   paneFitZoom(picture, count, PaneArrangement::Row, viewport)
               ? PaneArrangement::Column
               : PaneArrangement::Row;
}
