#include "frame_check_panes.h"

#include "vek_imagelayer.h"
#include "viewer_document.h"

#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QImage>

namespace {

QGraphicsPixmapItem *newLayer(ViewerDocument &d)
{
    Vek_ImageLayer *layer = d.makeLayer();
    layer->setVisible(false);
    d.scene()->addItem(layer);
    return layer;
}

} // namespace

FrameCheckPanes::FrameCheckPanes(ViewerDocument &document, FlowView *view)
    : document_(document), captions_(view)
{}

void FrameCheckPanes::show(const QImage &frame1, const QImage &warped, const QImage &error,
                           const QImage &outline, QSizeF viewport)
{
    ViewerDocument &d = document_;
    if (!warpedLayer_) {
        warpedLayer_ = newLayer(d);
        errorLayer_ = newLayer(d);
        outline_ = new QGraphicsPixmapItem(errorLayer_);
        // The pointer belongs to the error pane beneath.
        outline_->setAcceptedMouseButtons(Qt::NoButton);
        outline_->setAcceptHoverEvents(false);
    }
    shown_ = true;
    arrangement_ = bestArrangement(QSizeF(d.cols(), d.rows()), kCount, viewport);
    frame1_ = QPixmap::fromImage(frame1);
    warped_ = QPixmap::fromImage(warped);
    d.leftCaption()->setVisible(false);
    d.rightCaption()->setVisible(false);
    d.rightLayer()->setVisible(false);
    d.leftLayer()->setPixmap(warpedFirst_ ? warped_ : frame1_);
    warpedLayer_->setPixmap(warped_);
    warpedLayer_->setVisible(true);
    errorLayer_->setPixmap(QPixmap::fromImage(error));
    errorLayer_->setVisible(true);
    outline_->setPixmap(outline.isNull() ? QPixmap() : QPixmap::fromImage(outline));
    outline_->setVisible(!outline.isNull());
    place();
}

void FrameCheckPanes::showWarpedFirst(bool warped)
{
    warpedFirst_ = warped;
    if (!shown_)
        return;
    document_.leftLayer()->setPixmap(warped ? warped_ : frame1_);
    place();
}

bool FrameCheckPanes::arrange(QSizeF viewport)
{
    if (!shown_)
        return false;
    const PaneArrangement best =
        bestArrangement(QSizeF(document_.cols(), document_.rows()), kCount, viewport);
    if (best == arrangement_)
        return false;
    arrangement_ = best;
    place();
    return true;
}

void FrameCheckPanes::place()
{
    ViewerDocument &d = document_;
    const QSizeF picture(d.cols(), d.rows());
    d.scene()->setSceneRect(QRectF(QPointF(0, 0), panesSize(picture, kCount, arrangement_)));
    const QString texts[kCount] = {
        warpedFirst_ ? tr("Frame 2 Warped (%1 X %2)") : tr("Frame 1 (%1 X %2)"),
        tr("Frame 2 Warped (%1 X %2)"), tr("Photometric Error (%1 X %2)")};
    QGraphicsPixmapItem *const layers[kCount] = {d.leftLayer(), warpedLayer_, errorLayer_};
    QList<PaneCaptions::Caption> captions;
    for (int i = 0; i < kCount; ++i) {
        const QRectF rect = panePicture(picture, i, arrangement_);
        layers[i]->setPos(rect.topLeft());
        captions.append({rect, texts[i].arg(d.cols()).arg(d.rows())});
    }
    const QGraphicsSimpleTextItem *own = d.leftCaption();
    captions_.show(captions, own->font(), own->brush().color());
}

void FrameCheckPanes::hide()
{
    shown_ = false;
    frame1_ = QPixmap();
    warped_ = QPixmap();
    captions_.hide();
    if (!warpedLayer_)
        return;
    for (QGraphicsPixmapItem *layer : {warpedLayer_, errorLayer_}) {
        layer->setVisible(false);
        layer->setPixmap(QPixmap());
    }
    outline_->setPixmap(QPixmap());
}
