#ifndef FRAME_BLEND_H
#define FRAME_BLEND_H

#include "frame_follower.h"

#include <QObject>
#include <QPixmap>

class QAction;
class QGraphicsPixmapItem;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QMainWindow;
class ViewerDocument;
struct ToolContext;

// The colour view drawn over the frame the flow belongs to ("Blend with Frame...", Ctrl+B),
// at an opacity set in the Control Panel. While stepping the frame follows the flow; where
// there is none of the flow's size, blending pauses. The colour plane, and so Save As, never
// changes: the frame lies in the scene under the colour view, which is drawn translucent.
class FrameBlend : public QObject
{
    Q_OBJECT

public:
    explicit FrameBlend(const ToolContext &tools);

    QAction *action() const { return action_; }
    QGroupBox *group() const { return group_; }

    // Asks for a frame and blends with it.
    void chooseFrame();
    // Blends the flow on screen with the image at path; a box tells why not when it cannot be
    // read or has another size, and blending is off then.
    bool blendWith(const QString &path);
    void stop();

    // The colour view's opacity, 0 to 100 %, remembered across starts.
    int opacity() const;
    void setOpacity(int percent);

    bool isOn() const { return on_; }
    // On, but with no frame for the flow on screen.
    bool isPaused() const { return on_ && framePath_.isEmpty(); }
    // The frame under the flow on screen; empty while off or paused.
    QString framePath() const { return framePath_; }
    // The scene's item that shows it; null while off.
    QGraphicsPixmapItem *frameItem() const { return item_; }

    // Another picture is on screen: the frame follows it.
    void pictureShown();
    void sceneRefreshed();

private:
    void follow();
    void pause(const QString &reason);
    // The scene, the action and the panel as the state says.
    void apply();

    QMainWindow *const window_;
    ViewerDocument *const document_;
    QAction *action_;
    QGroupBox *group_;
    QLabel *frameName_;
    QSlider *opacity_;
    QLabel *percent_;
    QPushButton *stop_;

    bool on_ = false;
    FrameFolder folder_;
    QString framePath_;
    QString flowPath_; // the flow the frame was found for
    QPixmap frame_;
    QGraphicsPixmapItem *item_ = nullptr;
};

#endif // FRAME_BLEND_H
