#ifndef VIEW_OVERLAY_H
#define VIEW_OVERLAY_H

class QPainter;
class QRect;

// Something drawn over the picture in view coordinates, outside the scene's pixmaps, so that
// it keeps its size and place whatever the zoom and the scroll position (a legend, arrows).
class ViewOverlay
{
public:
    virtual ~ViewOverlay() = default;
    // The painter is in the viewport's coordinates; viewport is its whole rectangle.
    virtual void paintOverlay(QPainter &painter, const QRect &viewport) = 0;
};

#endif // VIEW_OVERLAY_H
