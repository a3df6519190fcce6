#ifndef COMPARE_PANES_H
#define COMPARE_PANES_H

#include "pane_captions.h"
#include "pane_layout.h"

#include "planes.h"

#include <QCoreApplication>
#include <QSizeF>

class FlowView;
class GroundTruthPair;
class QGraphicsPixmapItem;
class ViewerDocument;

// The scene while comparing: three panes, the estimate's colour view in the window's left layer,
// then the ground truth's colour view and the EPE picture in layers of their own, in a row or a
// column, whichever shows them larger in the view. Their captions are drawn over the view; the
// window's own captions stay out of sight meanwhile. The layers report as the window's own do,
// so hovering and the wheel work on every pane alike. They join the scene the first time the
// panes are shown; until then the scene holds the window's items alone.
class ComparePanes
{
    Q_DECLARE_TR_FUNCTIONS(ComparePanes)

public:
    static constexpr int kCount = 3;

    ComparePanes(ViewerDocument &document, FlowView *view);

    // Lays the panes out for the flow on screen and pair, which have one size, arranged for a
    // viewport of that size, with epe in the EPE pane. That picture is converted again only
    // when newEpe says it changed.
    void show(const GroundTruthPair &pair, const PixelPlane &epe, bool newEpe, QSizeF viewport);
    // Arranges the panes on screen anew for a viewport of that size; true when they moved.
    bool arrange(QSizeF viewport);
    // Takes the panes of their own and their captions out of sight, and their pixmaps out of
    // memory.
    void hide();

    bool isShown() const { return shown_; }
    PaneArrangement arrangement() const { return arrangement_; }
    const PaneCaptions &captions() const { return captions_; }

    // Null until the panes are first shown.
    QGraphicsPixmapItem *groundTruthLayer() const { return groundTruthLayer_; }
    QGraphicsPixmapItem *epeLayer() const { return epeLayer_; }

private:
    void place();

    ViewerDocument &document_;
    PaneCaptions captions_;
    bool shown_ = false;
    PaneArrangement arrangement_ = PaneArrangement::Row;
    // Owned by the window's scene.
    QGraphicsPixmapItem *groundTruthLayer_ = nullptr;
    QGraphicsPixmapItem *epeLayer_ = nullptr;
};

#endif // COMPARE_PANES_H
