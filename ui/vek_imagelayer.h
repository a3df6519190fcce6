#ifndef VEK_IMAGELAYER_H
#define VEK_IMAGELAYER_H

#include <QGraphicsPixmapItem>
#include <QObject>

class Vek_Zandor;

// A pixmap layer of the scene. It knows nothing of the data: it hands the window integer
// pixel coordinates under the pointer, or a number of wheel notches to step through files.
class Vek_ImageLayer : public QObject, public QGraphicsPixmapItem
{
    Q_OBJECT

public:
    explicit Vek_ImageLayer(Vek_Zandor *window);

protected:
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;

private:
    Vek_Zandor *const mainWindow;
};

#endif // VEK_IMAGELAYER_H
