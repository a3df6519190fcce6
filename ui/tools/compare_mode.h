#ifndef COMPARE_MODE_H
#define COMPARE_MODE_H

#include "ground_truth_pair.h"
#include "scene_panes.h"

#include <QObject>
#include <QString>
#include <QTransform>

#include <memory>
#include <optional>

class ComparePanes;
class GroundTruthPanel;
class FlowView;
class QAction;
class QMainWindow;
class ToolHost;
class ViewerDocument;
struct ToolContext;

// The estimate on screen held against its ground truth ("Compare with Ground Truth...",
// Ctrl+G): the estimate's colour view, the ground truth's and the EPE picture together at
// the cutoff in effect, the pair's figures in the Control Panel, and a read-out of both vectors
// and their EPE. While the mode is on, every flow that goes on screen (a step, a reload, an
// open) is compared with the file of its base name in the ground truth's folder; without one
// the flow shows alone and the status bar says why, until a later one has its ground truth.
class CompareMode : public QObject, public ScenePanes
{
    Q_OBJECT

public:
    explicit CompareMode(const ToolContext &tools);
    ~CompareMode() override;

    QAction *action() const { return action_; }
    GroundTruthPanel *panel() const { return panel_; }
    ComparePanes &panes() const { return *panes_; }

    // Asks for a ground truth and compares with it; or leaves the mode when it is on.
    void toggle();
    // Compares the flow on screen with the ground truth at path, or with the file of its base
    // name when path is a folder. A box says why not when there is no flow on screen, the file
    // cannot be read or its size differs; the mode is off then. Returns whether it is on.
    bool compareWith(const QString &path);
    void leave();

    bool isOn() const { return on_; }
    // On and showing the three panes, not paused for want of a ground truth.
    bool isComparing() const;
    // The pair on screen; null while not comparing.
    const GroundTruthPair *pair() const;
    // Where the ground truths are looked for.
    QString groundTruthFolder() const { return folder_; }
    // Looks for the ground truths' occlusion masks in folder from now on; an empty folder
    // looks where the dataset's layout puts them.
    void setOcclusionFolder(const QString &folder);
    // Outlines the occluded pixels on the EPE pane, or not; remembered.
    void setOutlineOcclusions(bool on);

    void pictureTaken() override;
    bool layOutScene() override;
    QString readout(int x, int y) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The ground truth of the flow on screen, or why there is none; the panel follows.
    void pairShownFlow();
    void pause(const QString &reason);
    // Asks for the folder of the occlusion masks.
    void chooseOcclusionFolder();
    // What the panel says of the pair's occlusion mask.
    QString maskText() const;
    void loadFinished(bool shown);
    void bringPanesIntoView();
    void fitPanes();
    // The action's check mark, the panel, Show Channels and the scene as the state says.
    void apply();

    QMainWindow *const window_;
    ViewerDocument *const document_;
    FlowView *const view_;
    ToolHost *const host_;
    QAction *action_;
    GroundTruthPanel *panel_;
    std::unique_ptr<ComparePanes> panes_;

    bool on_ = false;
    QString folder_;
    // The pair chosen by name, which need not share a base name.
    QString chosenEstimate_;
    QString chosenGroundTruth_;
    std::optional<GroundTruthPair> pair_;
    bool newPair_ = false;
    // Chosen by hand; empty to follow the dataset's layout.
    QString occlusionFolder_;
    // Why the pair on screen has no mask when one was found more than once.
    QString maskLookupProblem_;
    bool outline_ = false;
    // Said on the status bar once the load that paused the comparison has ended.
    QString pauseReason_;
    // The panes are kept in view until the user zooms.
    bool fitting_ = false;
    QTransform zoomBefore_;
    std::optional<QTransform> fitted_;
};

#endif // COMPARE_MODE_H
