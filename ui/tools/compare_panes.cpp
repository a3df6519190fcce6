#include "compare_panes.h"

#include "ground_truth_pair.h"
#include "pane_drawing.h"
#include "vek_imagelayer.h"
#include "viewer_document.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>

namespace {

QGraphicsPixmapItem *newLayer(ViewerDocument &d)
{
    Vek_ImageLayer *layer = d.makeLayer();
    layer->setVisible(false);
    d.scene()->addItem(layer);
    return layer;
}

} // namespace

ComparePanes::ComparePanes(ViewerDocument &document, FlowView *view)
    : document_(document), captions_(view)
{}

void ComparePanes::show(const GroundTruthPair &pair, const PixelPlane &epe, bool newEpe,
                        QSizeF viewport)
{
    ViewerDocument &d = document_;
    if (!groundTruthLayer_) {
        groundTruthLayer_ = newLayer(d);
        epeLayer_ = newLayer(d);
    }
    shown_ = true;
    arrangement_ = bestArrangement(QSizeF(d.cols(), d.rows()), kCount, viewport);

    showPlane(d.leftLayer(), d.colourPlane());
    d.leftCaption()->setVisible(false);
    d.rightCaption()->setVisible(false);
    d.rightLayer()->setVisible(false);
    showPlane(groundTruthLayer_, pair.color);
    groundTruthLayer_->setVisible(true);
    if (newEpe || epeLayer_->pixmap().isNull())
        showPlane(epeLayer_, epe);
    epeLayer_->setVisible(true);
    place();
}

bool ComparePanes::arrange(QSizeF viewport)
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

void ComparePanes::place()
{
    ViewerDocument &d = document_;
    const QSizeF picture(d.cols(), d.rows());
    d.scene()->setSceneRect(QRectF(QPointF(0, 0), panesSize(picture, kCount, arrangement_)));
    const QString texts[kCount] = {tr("Estimate (%1 X %2)"), tr("Ground Truth (%1 X %2)"),
                                   tr("EPE (%1 X %2)")};
    QGraphicsPixmapItem *const layers[kCount] = {d.leftLayer(), groundTruthLayer_, epeLayer_};
    QList<PaneCaptions::Caption> captions;
    for (int i = 0; i < kCount; ++i) {
        const QRectF rect = panePicture(picture, i, arrangement_);
        layers[i]->setPos(rect.topLeft());
        captions.append({rect, texts[i].arg(d.cols()).arg(d.rows())});
    }
    const QGraphicsSimpleTextItem *own = d.leftCaption();
    captions_.show(captions, own->font(), own->brush().color());
}

void ComparePanes::hide()
{
    shown_ = false;
    captions_.hide();
    if (!groundTruthLayer_)
        return;
    for (QGraphicsPixmapItem *layer : {groundTruthLayer_, epeLayer_}) {
        layer->setVisible(false);
        layer->setPixmap(QPixmap());
    }
}
