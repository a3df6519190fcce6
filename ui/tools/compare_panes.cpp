#include "compare_panes.h"

#include "browse_controller.h"
#include "ground_truth_pair.h"
#include "pane_drawing.h"
#include "vek_imagelayer.h"
#include "vek_zandor.h"

#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>

namespace {

QGraphicsPixmapItem *newLayer(Vek_Zandor &w)
{
    auto *layer = new Vek_ImageLayer(&w);
    layer->attach(w.browser(), &w.ui.graphicsView->wheelNotches());
    layer->setVisible(false);
    w.scene->addItem(layer);
    return layer;
}

// In the style of the window's own captions.
QGraphicsSimpleTextItem *newLabel(Vek_Zandor &w)
{
    auto *label = new QGraphicsSimpleTextItem;
    label->setPen(w.leftLabel->pen());
    label->setBrush(w.leftLabel->brush());
    label->setFont(w.leftLabel->font());
    label->setFlag(QGraphicsItem::ItemIsMovable, false);
    label->setVisible(false);
    w.scene->addItem(label);
    return label;
}

} // namespace

ComparePanes::ComparePanes(Vek_Zandor &window) : window_(window)
{}

void ComparePanes::show(const GroundTruthPair &pair, bool newPair)
{
    Vek_Zandor &w = window_;
    if (!groundTruthLayer_) {
        groundTruthLayer_ = newLayer(w);
        epeLayer_ = newLayer(w);
        groundTruthLabel_ = newLabel(w);
        epeLabel_ = newLabel(w);
    }
    const qreal W = w.cols;
    const qreal H = w.rows;
    const qreal step = W + kPaneGap;
    // Unlike the channel views' rectangle, this one reaches the last pane's right edge.
    w.scene->setSceneRect(0, 0, 3 * W + 2 * kPaneGap, H + kCaptionBand);

    placeCaption(w.leftLabel, Vek_Zandor::tr("Estimate (%1 X %2)").arg(w.cols).arg(w.rows), 0, W,
                 H);
    showPlane(w.leftLayer, w.colorPlane);
    w.leftLayer->setPos(0, 0);
    w.rightLabel->setVisible(false);
    w.rightLayer->setVisible(false);

    placeCaption(groundTruthLabel_,
                 Vek_Zandor::tr("Ground Truth (%1 X %2)").arg(pair.cols()).arg(pair.rows()), step,
                 W, H);
    showPlane(groundTruthLayer_, pair.color);
    groundTruthLayer_->setPos(step, 0);
    groundTruthLayer_->setVisible(true);

    placeCaption(epeLabel_, Vek_Zandor::tr("EPE (%1 X %2)").arg(pair.cols()).arg(pair.rows()),
                 2 * step, W, H);
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
