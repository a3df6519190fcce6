#ifndef FRAME_CHECK_PANES_H
#define FRAME_CHECK_PANES_H

#include "pane_set.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QSizeF>

class FlowView;
class QGraphicsPixmapItem;
class QImage;
class ViewerDocument;

// The scene while checking a flow against its frames: frame 1 in the window's left layer, frame
// 2 warped and the photometric error in layers of their own, laid out and captioned as compare
// mode's panes are. The occlusion outline lies over the error pane. The first pane can show the
// warped frame instead of frame 1, its caption saying which, for flickering between the two.
class FrameCheckPanes
{
    Q_DECLARE_TR_FUNCTIONS(FrameCheckPanes)

public:
    static constexpr int kCount = PaneSet::kCount;

    FrameCheckPanes(ViewerDocument &document, FlowView *view);

    // Lays the panes out for pictures of the flow's size, arranged for a viewport of that size;
    // a null outline shows none.
    void show(const QImage &frame1, const QImage &warped, const QImage &error,
              const QImage &outline, QSizeF viewport);
    // The first pane shows the warped frame, or frame 1.
    void showWarpedFirst(bool warped);
    bool arrange(QSizeF viewport) { return set_.arrange(viewport); }
    void hide();

    bool isShown() const { return set_.isShown(); }
    bool warpedFirst() const { return warpedFirst_; }
    const PaneCaptions &captions() const { return set_.captions(); }
    // Null until the panes are first shown.
    QGraphicsPixmapItem *warpedLayer() const { return set_.secondIfMade(); }
    QGraphicsPixmapItem *errorLayer() const { return set_.thirdIfMade(); }
    QGraphicsPixmapItem *outline() const { return outline_; }

private:
    QStringList texts() const;

    ViewerDocument &document_;
    PaneSet set_;
    bool warpedFirst_ = false;
    QPixmap frame1_;
    QPixmap warped_;
    QGraphicsPixmapItem *outline_ = nullptr; // a child of the error layer
};

#endif // FRAME_CHECK_PANES_H
