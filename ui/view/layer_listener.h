#ifndef LAYER_LISTENER_H
#define LAYER_LISTENER_H

class QPointF;

// What the picture's layers report of the pointer: they know nothing of the data or the
// window, and hand on pixel coordinates and completed wheel notches.
class LayerListener
{
public:
    virtual ~LayerListener() = default;
    // The pointer is over pixel (x, y) of a layer, at scenePos in the scene.
    virtual void pixelHovered(int x, int y, const QPointF &scenePos) = 0;
    virtual void pointerLeft() = 0;
    // The wheel completed this many notches over a layer, positive away from the user.
    virtual void notchesTurned(int notches) = 0;
};

#endif // LAYER_LISTENER_H
