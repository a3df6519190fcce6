#include "compare_mode.h"

#include "browse_controller.h"
#include "compare_panes.h"
#include "flow_tools.h"
#include "flow_unknown.h"
#include "flow_view.h"
#include "ground_truth_panel.h"
#include "picture_loader.h"
#include "tool_host.h"
#include "vek_zandor.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace {

const QString kFolderKey = QStringLiteral("compare/groundTruthFolder");

} // namespace

CompareMode::CompareMode(Vek_Zandor *window) : QObject(window), window_(window)
{
    action_ = new QAction(tr("Compare with Ground Truth..."), window);
    action_->setObjectName(QStringLiteral("actionCompareGroundTruth"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(tr("Ctrl+G")));
    action_->setToolTip(
        tr("Show the flow beside its ground truth and the end-point error, or stop (Ctrl+G)"));
    action_->setStatusTip(action_->toolTip());
    connect(action_, &QAction::triggered, this, &CompareMode::toggle);
    // On, the action leaves the mode whatever is on screen.
    window->toolHost()->addTool(action_,
                                [this] { return on_ || (window_->hasImage && window_->isFlow); });

    panel_ = new GroundTruthPanel;
    window->toolHost()->addPanelGroup(panel_);
    panes_ = std::make_unique<ComparePanes>(*window);
    connect(window->browser(), &BrowseController::loadFinished, this, &CompareMode::loadFinished);
    window->setScenePanes(this);
    window->ui.graphicsView->viewport()->installEventFilter(this);
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
    const Vek_Zandor &w = *window_;
    if (!w.hasImage || !w.isFlow)
        return;
    const QString remembered = QSettings().value(kFolderKey).toString();
    const QString folder = !folder_.isEmpty()              ? folder_
                           : QFileInfo(remembered).isDir() ? remembered
                                                           : QFileInfo(w.filePath).absolutePath();
    const QString match = groundTruthFor(w.filePath, folder);
    const QString path = QFileDialog::getOpenFileName(
        window_, tr("Compare with Ground Truth"), match.isEmpty() ? folder : match,
        tr("Flow files (*.flo *.flo5 *.pfm *.npy *.png);; All files (*.*)"));
    if (!path.isEmpty())
        compareWith(path);
}

bool CompareMode::compareWith(const QString &path)
{
    Vek_Zandor &w = *window_;
    const QFileInfo info(path);
    QString problem;
    GroundTruthOutcome outcome;
    if (!w.hasImage || !w.isFlow) {
        problem = tr("Only a flow can be compared with a ground truth.");
    } else if (!info.isDir()) {
        outcome = pairWithGroundTruth(path, w.flowU, w.flowV, w.browser()->readBuffer());
        if (outcome.sizes) {
            problem = outcome.problem;
        } else if (!outcome.pair) {
            LoadFailure failure;
            failure.readerMessage = outcome.problem;
            problem = w.failureText(path, failure);
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
        chosenEstimate_ = QFileInfo(w.filePath).absoluteFilePath();
        chosenGroundTruth_ = info.absoluteFilePath();
        pair_ = std::move(outcome.pair);
        newPair_ = true;
    }
    QSettings().setValue(kFolderKey, folder_);
    // The channel views have no place among the panes; the check box keeps its state for later.
    if (!wasOn)
        w.showIndividualDim = false;
    apply();
    if (w.hasImage)
        w.RefreshScene(w.showIndividualDim);
    if (!pauseReason_.isEmpty())
        w.statusBar()->showMessage(pauseReason_, 0);
    if (!wasOn)
        bringRowIntoView();
    return true;
}

// The row is three times as wide as the flow: entering the mode zooms out to show it whole,
// unless it fits at the zoom in effect. A window opened from the command line gets its size
// only after the mode has started, and may be resized later: until the user zooms, the row is
// fitted again to each new size, never closer than the zoom the mode started at.
void CompareMode::bringRowIntoView()
{
    zoomBefore_ = window_->ui.graphicsView->transform();
    fitted_.reset();
    fitting_ = true;
    QTimer::singleShot(0, this, &CompareMode::fitRow);
}

void CompareMode::fitRow()
{
    FlowView *view = window_->ui.graphicsView;
    if (!fitting_ || !view->isVisible())
        return;
    if (!isComparing() || (fitted_ && view->transform() != *fitted_)) {
        fitting_ = false;
        return;
    }
    // The Ground Truth group may have widened the Control Panel, and so narrowed the view.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    view->setTransform(zoomBefore_);
    const QRect row = view->mapFromScene(view->sceneRect()).boundingRect();
    if (row.width() > view->viewport()->width() || row.height() > view->viewport()->height())
        view->zoomFit();
    if (!fitted_)
        window_->toolHost()->revealPanelGroup(panel_);
    fitted_ = view->transform();
}

bool CompareMode::eventFilter(QObject *watched, QEvent *event)
{
    if (fitting_ && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &CompareMode::fitRow);
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
    // Show Channels applies again; SetShowIndividualDim draws the scene anew for a flow.
    Vek_Zandor &w = *window_;
    panes_->hide();
    w.SetShowIndividualDim(w.ui.checkBox_ShowIndividualDim->isChecked());
    if (w.hasImage && !w.isFlow)
        w.RefreshScene(w.showIndividualDim);
}

bool CompareMode::isComparing() const
{
    const Vek_Zandor &w = *window_;
    return on_ && pair_ && w.hasImage && w.isFlow && pair_->rows() == w.rows &&
           pair_->cols() == w.cols;
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
    Vek_Zandor &w = *window_;
    pair_.reset();
    pauseReason_.clear();
    const QString name = QFileInfo(w.filePath).fileName();
    if (!w.hasImage || !w.isFlow)
        return pause(tr("Not comparing: %1 is no flow").arg(name));
    const QString path = sameFile(w.filePath, chosenEstimate_)
                             ? chosenGroundTruth_
                             : groundTruthFor(w.filePath, folder_);
    if (path.isEmpty())
        return pause(
            tr("No ground truth for %1 in %2").arg(name, QDir::toNativeSeparators(folder_)));
    GroundTruthOutcome outcome =
        pairWithGroundTruth(path, w.flowU, w.flowV, w.browser()->readBuffer());
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

bool CompareMode::layOutScene()
{
    if (!isComparing()) {
        panes_->hide();
        return false;
    }
    Vek_Zandor &w = *window_;
    pair_->drawColour(w.flowCutoff, w.flowTools()->colourRadius());
    panes_->show(*pair_, newPair_);
    newPair_ = false;
    return true;
}

QString CompareMode::readout(int x, int y) const
{
    if (!isComparing())
        return QString();
    const Vek_Zandor &w = *window_;
    const float ue = w.flowU[y][x];
    const float ve = w.flowV[y][x];
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
    Vek_Zandor &w = *window_;
    action_->setChecked(on_);
    w.ui.checkBox_ShowIndividualDim->setEnabled(!on_);
    panel_->setVisible(on_);
    if (on_ && pair_)
        panel_->showFigures(QFileInfo(pair_->path).fileName(), pair_->figures);
    else if (on_)
        panel_->showPause(pauseReason_);
    w.updateActions();
}
