#include "compare_panes.h"

#include "ground_truth_pair.h"
#include "pane_drawing.h"
#include "vek_imagelayer.h"
#include "viewer_document.h"

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

// In the style of the window's own captions.
QGraphicsSimpleTextItem *newLabel(ViewerDocument &d)
{
    auto *label = new QGraphicsSimpleTextItem;
    const QGraphicsSimpleTextItem *own = d.leftCaption();
    label->setPen(own->pen());
    label->setBrush(own->brush());
    label->setFont(own->font());
    label->setFlag(QGraphicsItem::ItemIsMovable, false);
    label->setVisible(false);
    d.scene()->addItem(label);
    return label;
}

} // namespace

ComparePanes::ComparePanes(ViewerDocument &document) : document_(document)
{}

void ComparePanes::show(const GroundTruthPair &pair, bool newPair)
{
    ViewerDocument &d = document_;
    if (!groundTruthLayer_) {
        groundTruthLayer_ = newLayer(d);
        epeLayer_ = newLayer(d);
        groundTruthLabel_ = newLabel(d);
        epeLabel_ = newLabel(d);
    }
    const qreal W = d.cols();
    const qreal H = d.rows();
    const qreal step = W + kPaneGap;
    // Unlike the channel views' rectangle, this one reaches the last pane's right edge.
    d.scene()->setSceneRect(0, 0, 3 * W + 2 * kPaneGap, H + kCaptionBand);

    placeCaption(d.leftCaption(), tr("Estimate (%1 X %2)").arg(d.cols()).arg(d.rows()), 0, W, H);
    showPlane(d.leftLayer(), d.colourPlane());
    d.leftLayer()->setPos(0, 0);
    d.rightCaption()->setVisible(false);
    d.rightLayer()->setVisible(false);

    placeCaption(groundTruthLabel_, tr("Ground Truth (%1 X %2)").arg(pair.cols()).arg(pair.rows()),
                 step, W, H);
    showPlane(groundTruthLayer_, pair.color);
    groundTruthLayer_->setPos(step, 0);
    groundTruthLayer_->setVisible(true);

    placeCaption(epeLabel_, tr("EPE (%1 X %2)").arg(pair.cols()).arg(pair.rows()), 2 * step, W, H);
    if (newPair || epeLayer_->pixmap().isNull())
        showPlane(epeLayer_, pair.epe);
    epeLayer_->setPos(2 * step, 0);
    epeLayer_->setVisible(true);
}

void ComparePanes::hide()
{
    if (!groundTruthLayer_)
        return;
    for (QGraphicsPixmapItem *layer : {groundTruthLayer_, epeLayer_}) {
        layer->setVisible(false);
        layer->setPixmap(QPixmap());
    }
    groundTruthLabel_->setVisible(false);
    epeLabel_->setVisible(false);
}
