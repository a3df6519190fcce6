#include "compare_panes.h"

#include "ground_truth_pair.h"
#include "pane_drawing.h"
#include "viewer_document.h"

#include <QGraphicsPixmapItem>

ComparePanes::ComparePanes(ViewerDocument &document, FlowView *view)
    : document_(document), set_(document, view)
{}

void ComparePanes::show(const GroundTruthPair &pair, const PixelPlane &epe, bool newEpe,
                        QSizeF viewport)
{
    QGraphicsPixmapItem *epeLayer = set_.third();
    showPlane(document_.leftLayer(), document_.colourPlane());
    showPlane(set_.second(), pair.color);
    if (newEpe || epeLayer->pixmap().isNull())
        showPlane(epeLayer, epe);
    set_.show({tr("Estimate (%1 X %2)"), tr("Ground Truth (%1 X %2)"), tr("EPE (%1 X %2)")},
              viewport);
}
