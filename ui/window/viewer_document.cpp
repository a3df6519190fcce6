#include "viewer_document.h"

#include "cerror.h"
#include "picture_loader.h"
#include "scene_panes.h"
#include "vek_imagelayer.h"
#include "vek_zandor.h"

#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>

ViewerDocument::ViewerDocument(Vek_Zandor &window) : QObject(&window), w_(window)
{
    for (QGraphicsPixmapItem *layer : {w_.leftLayer, w_.rightLayer})
        static_cast<Vek_ImageLayer *>(layer)->attach(this, &w_.ui.graphicsView->wheelNotches());
}

// The window is being destroyed with its children: its planes are its own to release.
ViewerDocument::~ViewerDocument() = default;

QString ViewerDocument::path() const
{
    return w_.filePath;
}

QString ViewerDocument::folder() const
{
    return w_.dirPath;
}

const QStringList &ViewerDocument::listing() const
{
    return w_.dirFiles;
}

int ViewerDocument::index() const
{
    return w_.dirIndex;
}

int ViewerDocument::lastStep() const
{
    return w_.browseByStep ? w_.browseStep : 0;
}

bool ViewerDocument::hasPicture() const
{
    return w_.hasImage;
}

bool ViewerDocument::isFlow() const
{
    return w_.isFlow;
}

int ViewerDocument::rows() const
{
    return w_.rows;
}

int ViewerDocument::cols() const
{
    return w_.cols;
}

const FloatPlane &ViewerDocument::u() const
{
    return w_.flowU;
}

const FloatPlane &ViewerDocument::v() const
{
    return w_.flowV;
}

const PixelPlane &ViewerDocument::colourPlane() const
{
    return w_.colorPlane;
}

const FlowStatistics *ViewerDocument::statistics() const
{
    return statistics_ && w_.isFlow ? &*statistics_ : nullptr;
}

int ViewerDocument::cutoff() const
{
    return w_.flowCutoff;
}

bool ViewerDocument::keep() const
{
    return w_.keepCutoff;
}

bool ViewerDocument::showChannels() const
{
    return w_.showIndividualDim;
}

std::optional<float> ViewerDocument::colourRadius() const
{
    const FlowStatistics *s = statistics();
    return s ? MagnitudeScaleRadius(scale_, *s) : std::nullopt;
}

FlowLoadOptions ViewerDocument::loadOptions()
{
    return {scale_, &scratch_};
}

FloReadBuffer *ViewerDocument::readBuffer()
{
    if (!readBuffer_)
        readBuffer_.emplace();
    return &*readBuffer_;
}

QGraphicsScene *ViewerDocument::scene() const
{
    return w_.scene;
}

QGraphicsPixmapItem *ViewerDocument::leftLayer() const
{
    return w_.leftLayer;
}

QGraphicsPixmapItem *ViewerDocument::rightLayer() const
{
    return w_.rightLayer;
}

QGraphicsSimpleTextItem *ViewerDocument::leftCaption() const
{
    return w_.leftLabel;
}

QGraphicsSimpleTextItem *ViewerDocument::rightCaption() const
{
    return w_.rightLabel;
}

Vek_ImageLayer *ViewerDocument::makeLayer()
{
    auto *layer = new Vek_ImageLayer(&w_);
    layer->attach(this, &w_.ui.graphicsView->wheelNotches());
    return layer;
}

void ViewerDocument::open(const QString &path)
{
    w_.filePath = path;
    if (path.isEmpty())
        return;
    w_.browseByStep = false;
    load();
}

void ViewerDocument::openLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] { open(path); });
}

void ViewerDocument::step(int n)
{
    w_.browseByStep = true;
    w_.browseStep = n;
    load();
}

void ViewerDocument::load()
{
    releasePlanes();
    chooseFile();

    LoadOutcome outcome = loadChosenFile();
    if (!outcome.picture) {
        if (outcome.failure.header) {
            w_.rows = outcome.failure.header->height();
            w_.cols = outcome.failure.header->width();
        }
        const QString text = failureText(w_.filePath, outcome.failure);
        QMessageBox::warning(&w_, Vek_Zandor::tr("Open File Error"), text, QMessageBox::Ok,
                             QMessageBox::NoButton);
        w_.updateActions();
        emit loadFailed(text);
        loadEnded(false);
        return;
    }
    showPicture(std::move(*outcome.picture));
    w_.updateActions();
    loadEnded(true);
}

// Stepping moves through the listing taken when a file was last opened by name; past either
// end the current file is loaded again, and with no current file (a cancelled open dialog
// empties it) the one on screen. Opening by name lists the file's folder.
void ViewerDocument::chooseFile()
{
    if (w_.browseByStep) {
        const qint64 idx = qint64(w_.dirIndex) - w_.browseStep;
        if (idx >= 0 && idx < w_.dirFiles.size()) {
            w_.dirIndex = int(idx);
            w_.filePath = w_.dirPath + Vek_Zandor::tr("/") + w_.dirFiles.at(w_.dirIndex);
        } else if (w_.filePath.isEmpty()) {
            w_.filePath = shownPath_;
        }
        return;
    }
    const QFileInfo info(w_.filePath);
    const QDir dir = info.absoluteDir();
    // Three letters name the listing's files; ".flo5" needs its four, or its own files would
    // be left out of it.
    const bool flo5 = w_.filePath.endsWith(QLatin1String(".flo5"));
    const QStringList filters{Vek_Zandor::tr("*.%1").arg(w_.filePath.right(flo5 ? 4 : 3))};
    w_.dirPath = dir.absolutePath();
    w_.dirFiles = dir.entryList(filters, QDir::Files, QDir::Name);
    w_.dirIndex = int(w_.dirFiles.indexOf(info.fileName()));
    emit listingChanged();
}

LoadOutcome ViewerDocument::loadChosenFile()
{
    if (source_)
        return source_->load(w_.filePath, keptCutoff());
    return loadPictureFile(w_.filePath, keptCutoff(), readBuffer(), loadOptions());
}

std::optional<int> ViewerDocument::keptCutoff() const
{
    return w_.keepCutoff ? std::optional<int>(w_.flowCutoff) : std::nullopt;
}

QString ViewerDocument::failureText(const QString &path, const LoadFailure &failure) const
{
    if (failure.sizeError)
        return Vek_Zandor::tr("Cann't open file ") + path + Vek_Zandor::tr(" (image size error) !");
    QString text = Vek_Zandor::tr("Cann't open file ") + path + Vek_Zandor::tr(" !");
    if (!failure.readerMessage.isEmpty())
        text += QLatin1Char('\n') + failure.readerMessage;
    return text;
}

void ViewerDocument::showPicture(LoadedPicture &&picture)
{
    w_.rows = picture.rows;
    w_.cols = picture.cols;
    takePlanes(std::move(picture.planes));
    w_.hasImage = true;
    w_.isFlow = picture.isFlow;

    if (w_.isFlow) {
        w_.viewImage = QImage(w_.colorPlane.data(), w_.cols, w_.rows, w_.colorPlane.bytesPerLine(),
                              QImage::Format_RGB888);
        w_.flowCutoff = picture.cutoff;
        emit viewsDrawn();
        {
            const QSignalBlocker quiet(w_.ui.verticalSlider_FlowCutoffVal);
            w_.ui.verticalSlider_FlowCutoffVal->setRange(0, picture.openingCutoff);
        }
        showCutoff(w_.flowCutoff);
    } else {
        w_.viewImage = std::move(picture.image);
    }

    w_.ui.actionSetMode_Viewing_Optical_Flow->setChecked(w_.isFlow);
    w_.setWindowTitle(QStringLiteral("Optical Flow Viewer") +
                      Vek_Zandor::tr(" - [%1]").arg(w_.filePath));
    w_.ui.imgSizeEditShow->setText(Vek_Zandor::tr("Size:%1x%2").arg(w_.cols).arg(w_.rows));
    statistics_ = std::move(picture.statistics);
    emit pictureShown();
    if (w_.isFlow)
        emit cutoffChanged(w_.flowCutoff);
    if (panes_)
        panes_->pictureTaken();
    refreshScene();
}

void ViewerDocument::loadEnded(bool shown)
{
    if (shown)
        shownPath_ = w_.filePath;
    showReadoutUnderPointer();
    emit loadFinished(shown);
}

QString ViewerDocument::reload()
{
    return replacePicture(shownPath_, w_.flowCutoff);
}

QString ViewerDocument::showKeepingPicture(const QString &path)
{
    return replacePicture(path, keptCutoff());
}

QString ViewerDocument::replacePicture(const QString &path, std::optional<int> cutoff)
{
    LoadOutcome outcome = loadPictureFile(path, cutoff, readBuffer(), loadOptions());
    if (!outcome.picture) {
        const LoadFailure &failure = outcome.failure;
        return failure.readerMessage.isEmpty() ? failureText(path, failure) : failure.readerMessage;
    }

    w_.filePath = path;
    if (QFileInfo(path).absolutePath() == w_.dirPath)
        w_.dirIndex = int(w_.dirFiles.indexOf(QFileInfo(path).fileName()));
    releasePlanes();
    showPicture(std::move(*outcome.picture));
    w_.updateActions();
    loadEnded(true);
    return QString();
}

void ViewerDocument::refreshActions()
{
    w_.updateActions();
}

void ViewerDocument::updateListing(const QStringList &files, int index)
{
    w_.dirFiles = files;
    w_.dirIndex = index;
    emit listingChanged();
}

void ViewerDocument::tellPointer(std::optional<QPoint> pixel)
{
    if (pixel)
        emit pointerMoved(*pixel);
    else
        emit pointerGone();
}

void ViewerDocument::pixelHovered(int x, int y, const QPointF &scenePos)
{
    pointer_ = scenePos;
    w_.ShowPixelInfo(x, y);
}

void ViewerDocument::pointerLeft()
{
    pointer_.reset();
    emit pointerGone();
    w_.statusBar()->showMessage(Vek_ImageLayer::tr(""), 0);
}

void ViewerDocument::notchesTurned(int notches)
{
    step(notches);
}

// A load changes what lies under a pointer that has not moved: the read-out follows.
void ViewerDocument::showReadoutUnderPointer()
{
    if (!pointer_)
        return;
    // Every layer, not only the window's two: a tool may show panes of its own.
    const QList<QGraphicsItem *> items = w_.scene->items();
    for (const QGraphicsItem *item : items) {
        const auto *layer = dynamic_cast<const Vek_ImageLayer *>(item);
        if (!layer || !layer->isVisible())
            continue;
        const QPointF pos = layer->mapFromScene(*pointer_);
        if (layer->boundingRect().contains(pos)) {
            w_.ShowPixelInfo(int(pos.x()), int(pos.y()));
            return;
        }
    }
    w_.statusBar()->clearMessage();
}
