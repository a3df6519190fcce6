#ifndef PANE_SET_H
#define PANE_SET_H

#include "pane_captions.h"
#include "pane_layout.h"

#include <QSizeF>
#include <QStringList>

class FlowView;
class QGraphicsPixmapItem;
class ViewerDocument;

// Three pictures of the flow's size, the window's left layer first and two layers of their
// own, in a row or a column, whichever shows them larger in the view, their captions drawn
// over the view while the window's own stay out of sight: what compare mode and the frame
// check lay out. The layers report as the window's own do, so hovering and the wheel work on
// every pane alike.
class PaneSet
{
public:
    static constexpr int kCount = 3;

    PaneSet(ViewerDocument &document, FlowView *view);

    // The second and third layers, made and put in the scene (hidden) the first time.
    QGraphicsPixmapItem *second();
    QGraphicsPixmapItem *third();

    // Shows the panes arranged for a viewport of that size, captioned by texts (each with %1
    // and %2 for the width and height).
    void show(const QStringList &texts, QSizeF viewport);
    // New captions for the panes shown.
    void setTexts(const QStringList &texts);
    // Arranges the panes on screen anew for a viewport of that size; true when they moved.
    bool arrange(QSizeF viewport);
    // Takes the two layers and the captions out of sight, and the layers' pixmaps out of memory.
    void hide();

    bool isShown() const { return shown_; }
    PaneArrangement arrangement() const { return arrangement_; }
    const PaneCaptions &captions() const { return captions_; }
    // Null until first asked for.
    QGraphicsPixmapItem *secondIfMade() const { return second_; }
    QGraphicsPixmapItem *thirdIfMade() const { return third_; }

private:
    void makeLayers();
    void place();

    ViewerDocument &document_;
    PaneCaptions captions_;
    QStringList texts_;
    bool shown_ = false;
    PaneArrangement arrangement_ = PaneArrangement::Row;
    // Owned by the window's scene.
    QGraphicsPixmapItem *second_ = nullptr;
    QGraphicsPixmapItem *third_ = nullptr;
};

#endif // PANE_SET_H
