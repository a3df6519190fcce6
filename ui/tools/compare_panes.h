#ifndef COMPARE_PANES_H
#define COMPARE_PANES_H

#include "pane_set.h"

#include "planes.h"

#include <QCoreApplication>
#include <QSizeF>

class FlowView;
class GroundTruthPair;
class QGraphicsPixmapItem;
class ViewerDocument;

// The scene while comparing: the estimate's colour view in the window's left layer, then the
// ground truth's colour view and the EPE picture, laid out as a PaneSet. Its layers join the
// scene the first time the panes are shown; until then the scene holds the window's items alone.
class ComparePanes
{
    Q_DECLARE_TR_FUNCTIONS(ComparePanes)

public:
    static constexpr int kCount = PaneSet::kCount;

    ComparePanes(ViewerDocument &document, FlowView *view);

    // Lays the panes out for the flow on screen and pair, which have one size, arranged for a
    // viewport of that size, with epe in the EPE pane. That picture is converted again only
    // when newEpe says it changed.
    void show(const GroundTruthPair &pair, const PixelPlane &epe, bool newEpe, QSizeF viewport);
    // Arranges the panes on screen anew for a viewport of that size; true when they moved.
    bool arrange(QSizeF viewport) { return set_.arrange(viewport); }
    // Takes the panes of their own and their captions out of sight, and their pixmaps out of
    // memory.
    void hide() { set_.hide(); }

    bool isShown() const { return set_.isShown(); }
    PaneArrangement arrangement() const { return set_.arrangement(); }
    const PaneCaptions &captions() const { return set_.captions(); }

    // Null until the panes are first shown.
    QGraphicsPixmapItem *groundTruthLayer() const { return set_.secondIfMade(); }
    QGraphicsPixmapItem *epeLayer() const { return set_.thirdIfMade(); }

private:
    ViewerDocument &document_;
    PaneSet set_;
};

#endif // COMPARE_PANES_H
