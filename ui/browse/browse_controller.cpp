#include "browse_controller.h"

#include "flow_tools.h"
#include "neighbour_prefetch.h"
#include "picture_loader.h"
#include "vek_imagelayer.h"
#include "vek_zandor.h"

#include "cerror.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace {

// How long the cutoff rules must rest before the neighbours are read again for them: a slider
// dragged under Keep would otherwise read them at every value it passes.
constexpr int kRulesSettleMs = 300;

} // namespace

BrowseController::BrowseController(Vek_Zandor *window) : QObject(window), window_(window)
{
    if (!NeighbourPrefetch::wanted())
        return;
    prefetch_ = std::make_unique<NeighbourPrefetch>();
    rulesSettle_ = new QTimer(this);
    rulesSettle_->setSingleShot(true);
    rulesSettle_->setInterval(kRulesSettleMs);
    connect(rulesSettle_, &QTimer::timeout, this, &BrowseController::prefetchNeighbours);
    // Once the load's own events are handled: the reading must not compete with the picture's
    // way to the screen for a core.
    afterLoad_ = new QTimer(this);
    afterLoad_->setSingleShot(true);
    afterLoad_->setInterval(0);
    connect(afterLoad_, &QTimer::timeout, this, &BrowseController::prefetchNeighbours);
    const auto changed = [this] { rulesSettle_->start(); };
    Vek_Zandor &w = *window_;
    connect(w.ui.checkBox_KeepMaxValue, &QCheckBox::toggled, this, changed);
    connect(w.ui.checkBox_ShowIndividualDim, &QCheckBox::toggled, this, changed);
    connect(w.ui.verticalSlider_FlowCutoffVal, &QSlider::valueChanged, this, changed);
    connect(w.ui.spinBox_FlowCutoffVal, &QSpinBox::valueChanged, this, changed);
}

BrowseController::~BrowseController() = default;

void BrowseController::chooseFile()
{
    Vek_Zandor &w = *window_;
    if (w.browseByStep) {
        const qint64 idx = qint64(w.dirIndex) - w.browseStep;
        if (idx >= 0 && idx < w.dirFiles.size()) {
            w.dirIndex = int(idx);
            w.filePath = w.dirPath + Vek_Zandor::tr("/") + w.dirFiles.at(w.dirIndex);
        } else if (w.filePath.isEmpty()) {
            w.filePath = shownPath_;
        }
        return;
    }
    const QFileInfo info(w.filePath);
    const QDir dir = info.absoluteDir();
    // Three letters name the listing's files; ".flo5" needs its four, or its own files would
    // be left out of it.
    const bool flo5 = w.filePath.endsWith(QLatin1String(".flo5"));
    const QStringList filters{Vek_Zandor::tr("*.%1").arg(w.filePath.right(flo5 ? 4 : 3))};
    w.dirPath = dir.absolutePath();
    w.dirFiles = dir.entryList(filters, QDir::Files, QDir::Name);
    w.dirIndex = int(w.dirFiles.indexOf(info.fileName()));
}

LoadOutcome BrowseController::loadChosenFile(std::optional<int> cutoff)
{
    Vek_Zandor &w = *window_;
    if (prefetch_) {
        std::optional<LoadOutcome> made = prefetch_->take(w.filePath, rulesFor(cutoff));
        if (made) {
            if (made->picture) {
                try {
                    completePicture(*made->picture);
                } catch (const CError &error) {
                    made->picture.reset();
                    made->failure.readerMessage = QString::fromLocal8Bit(error.text);
                }
            }
            return std::move(*made);
        }
    }
    return loadPictureFile(w.filePath, cutoff, readBuffer(), w.flowTools()->loadOptions());
}

void BrowseController::loadEnded(bool shown)
{
    if (shown)
        shownPath_ = window_->filePath;
    showReadoutUnderPointer();
    if (afterLoad_)
        afterLoad_->start();
    emit loadFinished(shown);
}

PrefetchRules BrowseController::rulesFor(std::optional<int> cutoff) const
{
    return {cutoff, window_->flowTools()->loadOptions().scale, window_->showIndividualDim};
}

void BrowseController::waitForNeighbours()
{
    if (!prefetch_)
        return;
    if (afterLoad_->isActive()) {
        afterLoad_->stop();
        prefetchNeighbours();
    }
    prefetch_->waitUntilIdle();
}

void BrowseController::prefetchNeighbours()
{
    if (!prefetch_)
        return;
    const Vek_Zandor &w = *window_;
    if (w.dirIndex < 0 || w.dirIndex >= w.dirFiles.size() ||
        QFileInfo(w.filePath).fileName() != w.dirFiles.at(w.dirIndex)) {
        prefetch_->clear();
        return;
    }
    // A step of -1 goes on to the next file.
    const bool forward = !w.browseByStep || w.browseStep <= 0;
    const int first = forward ? w.dirIndex + 1 : w.dirIndex - 1;
    QStringList paths;
    for (const int index : {first, 2 * w.dirIndex - first}) {
        if (index >= 0 && index < w.dirFiles.size())
            paths << w.dirPath + Vek_Zandor::tr("/") + w.dirFiles.at(index);
    }
    prefetch_->prefetch(paths,
                        rulesFor(w.keepCutoff ? std::optional<int>(w.flowCutoff) : std::nullopt));
}

FloReadBuffer *BrowseController::readBuffer()
{
    if (!readBuffer_)
        readBuffer_.emplace();
    return &*readBuffer_;
}

void BrowseController::openLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] {
        window_->browseByStep = false;
        window_->filePath = path;
        window_->LoadCurrentFile();
    });
}

QString BrowseController::reloadKeepingPicture()
{
    return showKeepingPicture(shownPath_, window_->flowCutoff);
}

QString BrowseController::showKeepingPicture(const QString &path, std::optional<int> cutoff)
{
    Vek_Zandor &w = *window_;
    LoadOutcome outcome = loadPictureFile(path, cutoff, readBuffer(), w.flowTools()->loadOptions());
    if (!outcome.picture) {
        const LoadFailure &failure = outcome.failure;
        return failure.readerMessage.isEmpty() ? w.failureText(path, failure)
                                               : failure.readerMessage;
    }

    w.filePath = path;
    if (QFileInfo(path).absolutePath() == w.dirPath)
        w.dirIndex = int(w.dirFiles.indexOf(QFileInfo(path).fileName()));
    w.ReleasePlanes();
    w.showPicture(std::move(*outcome.picture));
    w.updateActions();
    loadEnded(true);
    return QString();
}

void BrowseController::pixelHovered(int x, int y, const QPointF &scenePos)
{
    pointer_ = scenePos;
    window_->ShowPixelInfo(x, y);
}

void BrowseController::pointerLeft()
{
    pointer_.reset();
    window_->flowTools()->pointerAt(std::nullopt);
    window_->statusBar()->showMessage(Vek_ImageLayer::tr(""), 0);
}

void BrowseController::notchesTurned(int notches)
{
    window_->browseByStep = true;
    window_->browseStep = notches;
    window_->LoadCurrentFile();
}

// A load changes what lies under a pointer that has not moved: the read-out follows.
void BrowseController::showReadoutUnderPointer()
{
    if (!pointer_)
        return;
    // Every layer, not only the window's two: a tool may show panes of its own.
    const QList<QGraphicsItem *> items = window_->scene->items();
    for (const QGraphicsItem *item : items) {
        const auto *layer = dynamic_cast<const Vek_ImageLayer *>(item);
        if (!layer || !layer->isVisible())
            continue;
        const QPointF pos = layer->mapFromScene(*pointer_);
        if (layer->boundingRect().contains(pos)) {
            window_->ShowPixelInfo(int(pos.x()), int(pos.y()));
            return;
        }
    }
    window_->statusBar()->clearMessage();
}
