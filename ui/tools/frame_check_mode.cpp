#include "frame_check_mode.h"

#include "flow_format.h"
#include "flow_unknown.h"
#include "flow_view.h"
#include "frame_check_panes.h"
#include "occlusion_masks.h"
#include "frame_input.h"
#include "ground_truth_pair.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"
#include "warp_panel.h"

#include "cerror.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>

#include <cmath>
#include <new>

namespace {

const QString kFramesKey = QStringLiteral("check/framesFolder");
const QString kBackwardByKey = QStringLiteral("check/backwardBy");
// Half a second: long enough to see each picture, short enough that a shift jumps out.
constexpr int kFlickerMs = 500;

const QString kImageFilter = QStringLiteral(
    "Images (*.png *.jpg *.jpeg *.ppm *.pgm *.bmp *.tif *.tiff *.webp);; All files (*)");

QImage planeCopy(const PixelPlane &plane)
{
    return QImage(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                  QImage::Format_RGB888)
        .copy();
}

} // namespace

FrameCheckMode::FrameCheckMode(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document), view_(tools.view),
      host_(tools.host), next_(tools.document->scenePanes())
{
    QMainWindow *window = tools.window;
    action_ = new QAction(tr("Check with Frames..."), window);
    action_->setObjectName(QStringLiteral("actionCheckWithFrames"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(tr("Ctrl+K")));
    action_->setToolTip(tr("Warp frame 2 back by the flow and hold it against frame 1, or stop "
                           "(Ctrl+K)"));
    action_->setStatusTip(action_->toolTip());
    connect(action_, &QAction::triggered, this, &FrameCheckMode::toggle);
    host_->addTool(action_, [this] { return on_ || document_->showsFlow(); });

    flicker_ = new QAction(tr("Flicker"), window);
    flicker_->setObjectName(QStringLiteral("actionFlicker"));
    flicker_->setCheckable(true);
    flicker_->setShortcut(QKeySequence(Qt::Key_F));
    flicker_->setToolTip(tr("Alternate frame 1 and the warped frame 2 in the first pane (F)"));
    flicker_->setStatusTip(flicker_->toolTip());
    flicker_->setEnabled(false);
    window->addAction(flicker_);
    connect(flicker_, &QAction::toggled, this, &FrameCheckMode::setFlicker);
    flickerTimer_.setInterval(kFlickerMs);
    connect(&flickerTimer_, &QTimer::timeout, this, &FrameCheckMode::flickerTick);

    panel_ = new WarpPanel;
    host_->addPanelGroup(panel_);
    by_ = QSettings().value(kBackwardByKey).toString() == QLatin1String("flow") ? BackwardBy::Flow
                                                                                 : BackwardBy::Frame;
    connect(panel_->backwardButton(), &QPushButton::clicked, this,
            &FrameCheckMode::chooseBackwardFolder);
    connect(panel_->stopButton(), &QPushButton::clicked, this, [this] { leave(); });
    connect(panel_->backwardRule(), &QComboBox::activated, this, [this](int index) {
        setBackwardRule(index == 1 ? BackwardBy::Flow : BackwardBy::Frame);
    });
    panes_ = std::make_unique<FrameCheckPanes>(*document_, view_);
    connect(document_, &ViewerDocument::loadFinished, this, &FrameCheckMode::loadFinished);
    document_->setScenePanes(this);
}

// The window is being destroyed with its children: it is not told.
FrameCheckMode::~FrameCheckMode() = default;

void FrameCheckMode::toggle()
{
    if (on_) {
        leave();
        return;
    }
    action_->setChecked(false);
    const ViewerDocument &d = *document_;
    if (!d.showsFlow())
        return;
    const QString remembered = QSettings().value(kFramesKey).toString();
    const QString start = QFileInfo(remembered).isDir() ? remembered
                                                        : QFileInfo(d.path()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(window_, tr("Check with Frames: Frame 1"),
                                                      start, kImageFilter);
    if (!path.isEmpty())
        checkWith(path);
}

bool FrameCheckMode::checkWith(const QString &frame1, const QString &frame2)
{
    ViewerDocument &d = *document_;
    QString second = frame2;
    if (second.isEmpty() && d.showsFlow()) {
        second = FrameFinder().nextFrame(frame1);
        if (second.isEmpty())
            second = QFileDialog::getOpenFileName(window_, tr("Check with Frames: Frame 2"),
                                                  QFileInfo(frame1).absolutePath(), kImageFilter);
        if (second.isEmpty())
            return false;
    }
    const QString problem = !d.showsFlow() ? tr("Only a flow can be checked with frames.")
                                           : run(frame1, second, QString());
    if (!problem.isEmpty()) {
        if (on_)
            leave();
        QMessageBox::warning(window_, tr("Check with Frames"), problem, QMessageBox::Ok,
                             QMessageBox::NoButton);
        return false;
    }
    const bool wasOn = on_;
    on_ = true;
    pauseReason_.clear();
    framesDir_ = QFileInfo(frame1).absolutePath();
    chosenFlow_ = QFileInfo(d.path()).absoluteFilePath();
    chosenFrame1_ = check_->frame1;
    chosenFrame2_ = check_->frame2;
    QSettings().setValue(kFramesKey, framesDir_);
    if (!backwardDir_.isEmpty())
        follow();
    // After apply, which makes compare mode give the scene up.
    apply();
    d.holdShowChannels(true);
    if (d.hasPicture())
        d.refreshScene();
    if (!pauseReason_.isEmpty())
        window_->statusBar()->showMessage(pauseReason_, 0);
    if (!wasOn) {
        view_->zoomFit();
        host_->revealPanelGroup(panel_);
    }
    return true;
}

QString FrameCheckMode::run(const QString &frame1, const QString &frame2, const QString &backward)
{
    ViewerDocument &d = *document_;
    check_.reset();
    QString problem;
    const QImage first = readFrame(frame1, &problem);
    const QImage second = first.isNull() ? QImage() : readFrame(frame2, &problem);
    if (second.isNull())
        return problem;
    QString reading = frame1;
    try {
        const FlowArrays flow = flowArrays(d.u(), d.v());
        checkFrameSize("frame", first.width(), first.height(), flow);
        reading = frame2;
        checkFrameSize("frame", second.width(), second.height(), flow);
        std::optional<FlowField> back;
        FlowArrays backArrays;
        if (!backward.isEmpty()) {
            reading = backward;
            back = readFlow(QFile::encodeName(backward).constData(), FlowRule::FloByName,
                            {d.readBuffer()});
            backArrays = flowArrays(back->u, back->v);
        }
        Check check{frame1, frame2, backward, first, {}};
        check.result = checkFrames(frameView(first), frameView(second), flow,
                                   back ? &backArrays : nullptr);
        check_ = std::move(check);
    } catch (const CError &error) {
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(reading),
                                            QString::fromLocal8Bit(error.text));
    } catch (const std::bad_alloc &) {
        return tr("%1: out of memory").arg(QDir::toNativeSeparators(reading));
    }
    return QString();
}

void FrameCheckMode::follow()
{
    ViewerDocument &d = *document_;
    check_.reset();
    pauseReason_.clear();
    const QString name = QFileInfo(d.path()).fileName();
    if (!d.showsFlow()) {
        pauseReason_ = tr("Not checking: %1 is no flow").arg(name);
        return;
    }
    FrameFinder finder;
    FrameTriple triple;
    if (sameFile(d.path(), chosenFlow_)) {
        // The frames chosen by name hold for their flow; its backward flow is found by the rule.
        triple.frame1 = chosenFrame1_;
        triple.frame2 = chosenFrame2_;
        if (!backwardDir_.isEmpty())
            triple.backward =
                finder.backwardFlow(d.path(), chosenFrame2_, backwardDir_, by_, &triple.problem);
    } else {
        triple = finder.find(d.path(), framesDir_, backwardDir_, by_);
    }
    if (!triple.problem.isEmpty()) {
        pauseReason_ = tr("Check paused: %1").arg(triple.problem);
        return;
    }
    const QString problem = run(triple.frame1, triple.frame2, triple.backward);
    if (!problem.isEmpty())
        pauseReason_ = tr("Check paused: %1").arg(problem);
}

void FrameCheckMode::setBackwardFolder(const QString &folder)
{
    backwardDir_ = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
    recheck();
}

void FrameCheckMode::setBackwardRule(BackwardBy by)
{
    by_ = by;
    QSettings().setValue(kBackwardByKey,
                         by == BackwardBy::Flow ? QStringLiteral("flow") : QStringLiteral("frame"));
    recheck();
}

void FrameCheckMode::chooseBackwardFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        window_, tr("Backward Flows"), backwardDir_.isEmpty() ? framesDir_ : backwardDir_);
    if (!folder.isEmpty())
        setBackwardFolder(folder);
}

void FrameCheckMode::recheck()
{
    if (!on_) {
        apply();
        return;
    }
    follow();
    apply();
    if (document_->hasPicture())
        document_->refreshScene();
    if (!pauseReason_.isEmpty())
        window_->statusBar()->showMessage(pauseReason_, 0);
}

void FrameCheckMode::leave()
{
    stop(true);
}

void FrameCheckMode::makeWay()
{
    stop(false);
}

void FrameCheckMode::stop(bool giveSceneBack)
{
    if (!on_)
        return;
    on_ = false;
    check_.reset();
    chosenFlow_.clear();
    chosenFrame1_.clear();
    chosenFrame2_.clear();
    pauseReason_.clear();
    flicker_->setChecked(false);
    apply();
    ViewerDocument &d = *document_;
    panes_->hide();
    if (!giveSceneBack)
        return;
    d.holdShowChannels(false);
    // The left layer held frame 1: the picture is drawn anew in any case.
    if (d.hasPicture())
        d.refreshScene();
}

bool FrameCheckMode::isChecking() const
{
    const ViewerDocument &d = *document_;
    return on_ && check_ && d.showsFlow() && check_->frame1Image.width() == d.cols() &&
           check_->frame1Image.height() == d.rows();
}

void FrameCheckMode::pictureTaken()
{
    if (next_)
        next_->pictureTaken();
    if (!on_)
        return;
    follow();
    apply();
}

bool FrameCheckMode::layOutScene()
{
    if (!isChecking()) {
        panes_->hide();
        return next_ && next_->layOutScene();
    }
    const FrameCheckResult &r = check_->result;
    panes_->show(check_->frame1Image, planeCopy(r.warped), planeCopy(r.error),
                 r.occlusion.empty() ? QImage()
                                     : occlusionOutline(r.occlusion.data(), kOccluded,
                                                        r.warped.cols(), r.warped.rows()),
                 view_->maximumViewportSize());
    return true;
}

QString FrameCheckMode::readout(int x, int y) const
{
    if (!isChecking())
        return next_ ? next_->readout(x, y) : QString();
    const std::uint8_t *first = check_->frame1Image.constScanLine(y) + 3 * x;
    const std::uint8_t *warped = check_->result.warped[y][x];
    const bool valid = check_->result.valid[std::size_t(y) * std::size_t(document_->cols()) +
                                            std::size_t(x)] != 0;
    const double error = valid ? photometricLevels(first, warped) / 3.0 : std::nan("");
    const auto rgb = [](const std::uint8_t *p) {
        return QStringLiteral("[%1, %2, %3]").arg(p[0]).arg(p[1]).arg(p[2]);
    };
    return tr("(x:%1, y:%2)=[%3, %4] frame1=%5 warped=%6 err=%7")
        .arg(x)
        .arg(y)
        .arg(double(document_->u()[y][x]), 0, 'g', -1)
        .arg(double(document_->v()[y][x]), 0, 'g', -1)
        .arg(rgb(first), rgb(warped))
        .arg(error, 0, 'g', -1);
}

void FrameCheckMode::setFlicker(bool on)
{
    if (on && isChecking())
        flickerTimer_.start();
    else
        flickerTimer_.stop();
    panes_->showWarpedFirst(false);
}

void FrameCheckMode::flickerTick()
{
    if (!isChecking() || !panes_->isShown())
        return;
    panes_->showWarpedFirst(!panes_->warpedFirst());
}

void FrameCheckMode::loadFinished(bool shown)
{
    if (on_ && shown && !pauseReason_.isEmpty())
        window_->statusBar()->showMessage(pauseReason_, 0);
}

void FrameCheckMode::apply()
{
    action_->setChecked(on_);
    flicker_->setEnabled(on_);
    if (flicker_->isChecked() && isChecking() && !flickerTimer_.isActive())
        flickerTimer_.start();
    panel_->setVisible(on_);
    panel_->showBackward(backwardDir_, by_);
    if (isChecking()) {
        const QString frames = QFileInfo(check_->frame1).fileName() + QStringLiteral(" \u2192 ") +
                               QFileInfo(check_->frame2).fileName();
        panel_->showFigures(frames, photometricFigures(check_->result.sums));
    } else if (on_) {
        panel_->showPause(pauseReason_);
    }
    document_->refreshActions();
}
