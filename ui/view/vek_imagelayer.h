#ifndef VEK_IMAGELAYER_H
#define VEK_IMAGELAYER_H

#include <QGraphicsPixmapItem>
#include <QObject>

class LayerListener;
class Vek_Zandor;
class WheelNotches;

// A pixmap layer of the scene. It knows nothing of the data: it reports the pixel under the
// pointer, its leaving, and completed wheel notches to its listener.
class Vek_ImageLayer : public QObject, public QGraphicsPixmapItem
{
    Q_OBJECT

public:
    explicit Vek_ImageLayer(Vek_Zandor *window);

    // Where the layer reports, and the view's notch count its wheel deltas add to. Until both
    // are set the layer reports nothing.
    void attach(LayerListener *listener, WheelNotches *notches);

protected:
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;

private:
    // The window that made the layer; what the layer sees goes to the listener, not to it.
    Vek_Zandor *const mainWindow;
    LayerListener *listener_ = nullptr;
    WheelNotches *notches_ = nullptr;
};

#endif // VEK_IMAGELAYER_H
