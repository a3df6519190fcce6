#ifndef COMPARE_PANES_H
#define COMPARE_PANES_H

#include <QCoreApplication>

class GroundTruthPair;
class QGraphicsPixmapItem;
class QGraphicsSimpleTextItem;
class ViewerDocument;

// The scene while comparing: three panes in one row, the estimate's colour view in the window's
// left layer, then the ground truth's colour view and the EPE picture in layers of their own,
// each captioned as the window's views are. The layers report as the window's own do, so
// hovering and the wheel work on every pane alike. They join the scene the first time the
// panes are shown; until then the scene holds the window's items alone.
class ComparePanes
{
    Q_DECLARE_TR_FUNCTIONS(ComparePanes)

public:
    explicit ComparePanes(ViewerDocument &document);

    // Lays the panes out for the flow on screen and pair, which have one size. The EPE picture
    // is converted again only when newPair says it changed.
    void show(const GroundTruthPair &pair, bool newPair);
    // Takes the panes of their own out of sight, and their pixmaps out of memory.
    void hide();

    // Null until the panes are first shown.
    QGraphicsPixmapItem *groundTruthLayer() const { return groundTruthLayer_; }
    QGraphicsPixmapItem *epeLayer() const { return epeLayer_; }
    QGraphicsSimpleTextItem *groundTruthLabel() const { return groundTruthLabel_; }
    QGraphicsSimpleTextItem *epeLabel() const { return epeLabel_; }

private:
    ViewerDocument &document_;
    // Owned by the window's scene.
    QGraphicsPixmapItem *groundTruthLayer_ = nullptr;
    QGraphicsPixmapItem *epeLayer_ = nullptr;
    QGraphicsSimpleTextItem *groundTruthLabel_ = nullptr;
    QGraphicsSimpleTextItem *epeLabel_ = nullptr;
};

#endif // COMPARE_PANES_H
