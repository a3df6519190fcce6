#ifndef FRAME_CHECK_MODE_H
#define FRAME_CHECK_MODE_H

#include "frame_triple.h"
#include "frame_triples.h"
#include "scene_panes.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class FlowView;
class FrameCheckPanes;
class QAction;
class QMainWindow;
class ToolHost;
class ViewerDocument;
class WarpPanel;
struct ToolContext;

// The flow on screen held against its frames ("Check with Frames...", Ctrl+K): frame 1, frame 2
// warped back by the flow, and the photometric error, with flowwarp's figures in the Warp
// group and a read-out of both frames and the error. Flicker (F) alternates the first pane
// between frame 1 and the warped frame. While it is on, every flow that goes on screen is
// checked with the frames (and backward flow) flowwarp's folder form would find for it; where
// one is missing the check pauses with a word on the status bar.
class FrameCheckMode : public QObject, public ScenePanes
{
    Q_OBJECT

public:
    explicit FrameCheckMode(const ToolContext &tools);
    ~FrameCheckMode() override;

    QAction *action() const { return action_; }
    QAction *flickerAction() const { return flicker_; }
    WarpPanel *panel() const { return panel_; }
    const FrameCheckPanes &panes() const { return *panes_; }

    // Asks for frame 1 and checks with it; or leaves the mode when it is on.
    void toggle();
    // Checks the flow on screen with frame1 and frame2, or the image after frame1 in its folder
    // when frame2 is empty (asked for when there is none). A box says why not; the mode is off
    // then. Returns whether it is on.
    bool checkWith(const QString &frame1, const QString &frame2 = QString());
    // Checks every flow against the backward flow found in folder (none when empty).
    void setBackwardFolder(const QString &folder);
    void setBackwardRule(BackwardBy by);
    void chooseBackwardFolder();
    void leave();
    // Leaves for another mode of panes, which takes the scene and Show Channels over.
    void makeWay();

    bool isOn() const { return on_; }
    // On and showing the panes, not paused.
    bool isChecking() const;
    const FrameCheckResult *result() const { return isChecking() ? &check_->result : nullptr; }
    QString frame1Path() const { return check_ ? check_->frame1 : QString(); }
    QString frame2Path() const { return check_ ? check_->frame2 : QString(); }
    QString backwardPath() const { return check_ ? check_->backward : QString(); }

    void pictureTaken() override;
    bool layOutScene() override;
    QString readout(int x, int y) const override;

private:
    struct Check {
        QString frame1, frame2, backward;
        QImage frame1Image;
        FrameCheckResult result;
    };
    // The check of the flow on screen with these files; empty on success, else why not.
    QString run(const QString &frame1, const QString &frame2, const QString &backward);
    void follow();
    void stop(bool giveSceneBack);
    void setFlicker(bool on);
    void flickerTick();
    void loadFinished(bool shown);
    void recheck();
    void apply();

    QMainWindow *const window_;
    ViewerDocument *const document_;
    FlowView *const view_;
    ToolHost *const host_;
    ScenePanes *const next_; // the panes of the mode installed before, asked while this is off
    QAction *action_;
    QAction *flicker_;
    WarpPanel *panel_;
    std::unique_ptr<FrameCheckPanes> panes_;
    QTimer flickerTimer_;

    bool on_ = false;
    QString framesDir_;
    QString backwardDir_;
    BackwardBy by_ = BackwardBy::Frame;
    // The frames chosen by name for one flow, which need not share its base name.
    QString chosenFlow_;
    QString chosenFrame1_;
    QString chosenFrame2_;
    std::optional<Check> check_;
    QString pauseReason_;
};

#endif // FRAME_CHECK_MODE_H
