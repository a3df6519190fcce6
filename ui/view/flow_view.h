#ifndef FLOW_VIEW_H
#define FLOW_VIEW_H

#include "wheel_notches.h"

#include <QGraphicsView>
#include <QList>

class ViewOverlay;

// The view of the picture. It owns the zoom and its bounds, the wheel notches turned over the
// picture, and the overlays drawn over it.
class FlowView : public QGraphicsView
{
    Q_OBJECT

public:
    // Device pixels per picture pixel, at most and at least, for zooming in and out.
    static constexpr double kMaxZoom = 64.0;
    static constexpr double kMinZoom = 1.0 / 32.0;

    explicit FlowView(QWidget *parent = nullptr);

    // Device pixels per picture pixel now.
    double zoom() const;

    void zoomIn();
    void zoomOut();
    // One picture pixel per device pixel, at any device-pixel ratio.
    void zoomOriginal();
    // The scene rectangle as large as it fits, undistorted.
    void zoomFit();

    WheelNotches &wheelNotches() { return notches_; }

    // Overlays are painted in the order added; the view does not own them.
    void addOverlay(ViewOverlay *overlay);
    void removeOverlay(ViewOverlay *overlay);
    // Repaints the overlays after their content changed.
    void updateOverlays();

protected:
    // The arrow keys step through the folder; they never scroll, while dragging and the scroll
    // bars still pan.
    void keyPressEvent(QKeyEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void zoomBy(double factor);

    WheelNotches notches_;
    QList<ViewOverlay *> overlays_;
};

#endif // FLOW_VIEW_H
