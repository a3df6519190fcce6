#ifndef PANE_CAPTIONS_H
#define PANE_CAPTIONS_H

#include "view_overlay.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>

class FlowView;

// The captions of a mode's panes, drawn over the view at the size of the window's own labels
// whatever the zoom, dark on a light translucent box so that any picture beneath stays
// readable. Each sits just under its picture; where the zoom leaves the caption band too low
// for it, it rises over the picture's bottom edge rather than reach into the next pane, and a
// pane too narrow for it shows it shortened.
class PaneCaptions : public ViewOverlay
{
public:
    struct Caption {
        QRectF picture; // in the scene; the caption band lies below it
        QString text;
    };
    struct Placement {
        QRectF box;   // in the viewport
        QString text; // as it fits the box
    };

    explicit PaneCaptions(FlowView *view);
    ~PaneCaptions() override;

    // Shows these captions in font and ink over the view; none takes the overlay away.
    void show(const QList<Caption> &captions, const QFont &font, const QColor &ink);
    void hide() { show({}, font_, ink_); }
    const QList<Caption> &captions() const { return captions_; }
    const QFont &font() const { return font_; }

    // Where each caption goes at the view's zoom and scroll position now, in order.
    QList<Placement> placements() const;

    void paintOverlay(QPainter &painter, const QRect &viewport) override;

private:
    // The window deletes its view before its tools.
    QPointer<FlowView> view_;
    QList<Caption> captions_;
    QFont font_;
    QColor ink_;
};

#endif // PANE_CAPTIONS_H
