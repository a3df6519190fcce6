#include "compare_mode.h"

#include "compare_panes.h"
#include "flow_unknown.h"
#include "flow_view.h"
#include "ground_truth_panel.h"
#include "occlusion_masks.h"
#include "picture_loader.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace {

const QString kFolderKey = QStringLiteral("compare/groundTruthFolder");
const QString kOutlineKey = QStringLiteral("compare/outlineOcclusions");

} // namespace

CompareMode::CompareMode(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document), view_(tools.view),
      host_(tools.host)
{
    QMainWindow *window = tools.window;
    action_ = new QAction(tr("Compare with Ground Truth..."), window);
    action_->setObjectName(QStringLiteral("actionCompareGroundTruth"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(tr("Ctrl+G")));
    action_->setToolTip(
        tr("Show the flow beside its ground truth and the end-point error, or stop (Ctrl+G)"));
    action_->setStatusTip(action_->toolTip());
    connect(action_, &QAction::triggered, this, &CompareMode::toggle);
    // On, the action leaves the mode whatever is on screen.
    host_->addTool(action_, [this] { return on_ || document_->showsFlow(); });

    panel_ = new GroundTruthPanel;
    host_->addPanelGroup(panel_);
    outline_ = QSettings().value(kOutlineKey, false).toBool();
    panel_->setOutlinesOcclusions(outline_);
    connect(panel_, &GroundTruthPanel::occlusionMasksRequested, this,
            &CompareMode::chooseOcclusionFolder);
    connect(panel_, &GroundTruthPanel::outlineToggled, this, &CompareMode::setOutlineOcclusions);
    panes_ = std::make_unique<ComparePanes>(*document_, view_);
    connect(document_, &ViewerDocument::loadFinished, this, &CompareMode::loadFinished);
    document_->setScenePanes(this);
    view_->viewport()->installEventFilter(this);
}

// The window is being destroyed with its children: it is not told.
CompareMode::~CompareMode() = default;

void CompareMode::toggle()
{
    if (on_) {
        leave();
        return;
    }
    // Checked only once a ground truth has been chosen and read.
    action_->setChecked(false);
    const ViewerDocument &d = *document_;
    if (!d.showsFlow())
        return;
    const QString remembered = QSettings().value(kFolderKey).toString();
    const QString folder = !folder_.isEmpty()              ? folder_
                           : QFileInfo(remembered).isDir() ? remembered
                                                           : QFileInfo(d.path()).absolutePath();
    const QString match = groundTruthFor(d.path(), folder);
    const QString path = QFileDialog::getOpenFileName(
        window_, tr("Compare with Ground Truth"), match.isEmpty() ? folder : match,
        tr("Flow files (*.flo *.flo5 *.pfm *.npy *.png);; All files (*.*)"));
    if (!path.isEmpty())
        compareWith(path);
}

bool CompareMode::compareWith(const QString &path)
{
    ViewerDocument &d = *document_;
    const QFileInfo info(path);
    QString problem;
    GroundTruthOutcome outcome;
    if (!d.showsFlow()) {
        problem = tr("Only a flow can be compared with a ground truth.");
    } else if (!info.isDir()) {
        maskLookupProblem_.clear();
        const QString mask = occlusionMaskFor(path, occlusionFolder_, &maskLookupProblem_);
        outcome = pairWithGroundTruth(path, d.u(), d.v(), d.readBuffer(), mask);
        if (outcome.sizes) {
            problem = outcome.problem;
        } else if (!outcome.pair) {
            LoadFailure failure;
            failure.readerMessage = outcome.problem;
            problem = d.failureText(path, failure);
        }
    }
    if (!problem.isEmpty()) {
        if (on_)
            leave();
        QMessageBox::warning(window_, tr("Compare with Ground Truth"), problem, QMessageBox::Ok,
                             QMessageBox::NoButton);
        return false;
    }

    const bool wasOn = on_;
    on_ = true;
    pauseReason_.clear();
    if (info.isDir()) {
        folder_ = info.absoluteFilePath();
        chosenEstimate_.clear();
        chosenGroundTruth_.clear();
        pairShownFlow();
    } else {
        folder_ = info.absolutePath();
        chosenEstimate_ = QFileInfo(d.path()).absoluteFilePath();
        chosenGroundTruth_ = info.absoluteFilePath();
        pair_ = std::move(outcome.pair);
        newPair_ = true;
    }
    QSettings().setValue(kFolderKey, folder_);
    // The channel views have no place among the panes; the check box keeps its state for later.
    d.holdShowChannels(true);
    apply();
    if (d.hasPicture())
        d.refreshScene();
    if (!pauseReason_.isEmpty())
        window_->statusBar()->showMessage(pauseReason_, 0);
    if (!wasOn)
        bringPanesIntoView();
    return true;
}

// The panes take three times the flow's room: entering the mode zooms out to show them whole,
// unless they fit at the zoom in effect. A window opened from the command line gets its size
// only after the mode has started, and may be resized later: until the user zooms, the panes
// are arranged and fitted again for each new size, never closer than the zoom the mode started
// at.
void CompareMode::bringPanesIntoView()
{
    zoomBefore_ = view_->transform();
    fitted_.reset();
    fitting_ = true;
    QTimer::singleShot(0, this, &CompareMode::fitPanes);
}

void CompareMode::fitPanes()
{
    FlowView *view = view_;
    if (!fitting_ || !view->isVisible())
        return;
    if (!isComparing() || (fitted_ && view->transform() != *fitted_)) {
        fitting_ = false;
        return;
    }
    // The Ground Truth group may have widened the Control Panel, and so narrowed the view.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    panes_->arrange(view->maximumViewportSize());
    view->setTransform(zoomBefore_);
    const QRect panes = view->mapFromScene(view->sceneRect()).boundingRect();
    if (panes.width() > view->viewport()->width() || panes.height() > view->viewport()->height())
        view->zoomFit();
    if (!fitted_)
        host_->revealPanelGroup(panel_);
    fitted_ = view->transform();
}

bool CompareMode::eventFilter(QObject *watched, QEvent *event)
{
    if (fitting_ && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &CompareMode::fitPanes);
    return QObject::eventFilter(watched, event);
}

void CompareMode::leave()
{
    if (!on_)
        return;
    on_ = false;
    pair_.reset();
    chosenEstimate_.clear();
    chosenGroundTruth_.clear();
    pauseReason_.clear();
    apply();
    // Show Channels applies again, which draws the scene anew for a flow.
    ViewerDocument &d = *document_;
    panes_->hide();
    d.holdShowChannels(false);
    if (d.hasPicture() && !d.isFlow())
        d.refreshScene();
}

bool CompareMode::isComparing() const
{
    const ViewerDocument &d = *document_;
    return on_ && pair_ && d.showsFlow() && pair_->rows() == d.rows() && pair_->cols() == d.cols();
}

const GroundTruthPair *CompareMode::pair() const
{
    return isComparing() ? &*pair_ : nullptr;
}

void CompareMode::pictureTaken()
{
    if (!on_)
        return;
    pairShownFlow();
    apply();
}

void CompareMode::pairShownFlow()
{
    ViewerDocument &d = *document_;
    pair_.reset();
    pauseReason_.clear();
    const QString name = QFileInfo(d.path()).fileName();
    if (!d.showsFlow())
        return pause(tr("Not comparing: %1 is no flow").arg(name));
    const QString path = sameFile(d.path(), chosenEstimate_) ? chosenGroundTruth_
                                                             : groundTruthFor(d.path(), folder_);
    if (path.isEmpty())
        return pause(
            tr("No ground truth for %1 in %2").arg(name, QDir::toNativeSeparators(folder_)));
    maskLookupProblem_.clear();
    const QString mask = occlusionMaskFor(path, occlusionFolder_, &maskLookupProblem_);
    GroundTruthOutcome outcome = pairWithGroundTruth(path, d.u(), d.v(), d.readBuffer(), mask);
    if (outcome.sizes)
        return pause(outcome.problem);
    if (!outcome.pair)
        return pause(tr("Ground truth %1 cannot be read: %2")
                         .arg(QDir::toNativeSeparators(path), outcome.problem));
    pair_ = std::move(outcome.pair);
    newPair_ = true;
}

void CompareMode::pause(const QString &reason)
{
    pauseReason_ = reason;
}

void CompareMode::chooseOcclusionFolder()
{
    const QString start = !occlusionFolder_.isEmpty() ? occlusionFolder_
                          : pair_ && !pair_->maskPath.isEmpty()
                              ? QFileInfo(pair_->maskPath).absolutePath()
                              : folder_;
    const QString folder =
        QFileDialog::getExistingDirectory(window_, tr("Occlusion Masks"), start);
    if (!folder.isEmpty())
        setOcclusionFolder(folder);
}

void CompareMode::setOcclusionFolder(const QString &folder)
{
    occlusionFolder_ = folder;
    if (!on_)
        return;
    pairShownFlow();
    apply();
    if (document_->hasPicture())
        document_->refreshScene();
}

void CompareMode::setOutlineOcclusions(bool on)
{
    if (panel_->outlinesOcclusions() != on)
        panel_->setOutlinesOcclusions(on); // comes back here through the box's signal
    if (outline_ == on)
        return;
    outline_ = on;
    QSettings().setValue(kOutlineKey, on);
    newPair_ = true;
    if (isComparing())
        document_->refreshScene();
}

QString CompareMode::maskText() const
{
    if (!pair_->maskProblem.isEmpty())
        return pair_->maskProblem;
    if (!pair_->maskPath.isEmpty())
        return tr("Occlusions: %1").arg(QFileInfo(pair_->maskPath).fileName());
    if (!maskLookupProblem_.isEmpty())
        return maskLookupProblem_;
    return occlusionFolder_.isEmpty()
               ? tr("No occlusion mask found")
               : tr("No occlusion mask in %1").arg(QDir::toNativeSeparators(occlusionFolder_));
}

bool CompareMode::layOutScene()
{
    if (!isComparing()) {
        panes_->hide();
        return false;
    }
    pair_->drawColour(document_->cutoff(), document_->colourRadius());
    // Without scroll bars, which come and go with the zoom, so that the choice holds still.
    panes_->show(*pair_, pair_->epeShown(outline_), newPair_, view_->maximumViewportSize());
    newPair_ = false;
    return true;
}

QString CompareMode::readout(int x, int y) const
{
    if (!isComparing())
        return QString();
    const float ue = document_->u()[y][x];
    const float ve = document_->v()[y][x];
    const float ug = pair_->u[y][x];
    const float vg = pair_->v[y][x];
    // A pixel that is not evaluated has no error, whatever its components would give.
    const double epe = isUnknownFlow(ue, ve) || isUnknownFlow(ug, vg)
                           ? std::nan("")
                           : endPointError(ue, ve, ug, vg);
    return tr("(x:%1, y:%2)=[%3, %4] gt=[%5, %6] epe=%7")
        .arg(x)
        .arg(y)
        .arg(double(ue), 0, 'g', -1)
        .arg(double(ve), 0, 'g', -1)
        .arg(double(ug), 0, 'g', -1)
        .arg(double(vg), 0, 'g', -1)
        .arg(epe, 0, 'g', -1);
}

void CompareMode::loadFinished(bool shown)
{
    // After the read-out under the pointer, which would hide it.
    if (on_ && shown && !pauseReason_.isEmpty())
        window_->statusBar()->showMessage(pauseReason_, 0);
}

void CompareMode::apply()
{
    action_->setChecked(on_);
    panel_->setVisible(on_);
    if (on_ && pair_)
        panel_->showFigures(QFileInfo(pair_->path).fileName(), pair_->figures, maskText(),
                            !pair_->occluded.empty());
    else if (on_)
        panel_->showPause(pauseReason_);
    document_->refreshActions();
}
