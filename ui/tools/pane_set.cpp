#include "pane_set.h"

#include "vek_imagelayer.h"
#include "viewer_document.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>

PaneSet::PaneSet(ViewerDocument &document, FlowView *view) : document_(document), captions_(view)
{}

void PaneSet::makeLayers()
{
    if (second_)
        return;
    for (QGraphicsPixmapItem **layer : {&second_, &third_}) {
        Vek_ImageLayer *made = document_.makeLayer();
        made->setVisible(false);
        document_.scene()->addItem(made);
        *layer = made;
    }
}

QGraphicsPixmapItem *PaneSet::second()
{
    makeLayers();
    return second_;
}

QGraphicsPixmapItem *PaneSet::third()
{
    makeLayers();
    return third_;
}

void PaneSet::show(const QStringList &texts, QSizeF viewport)
{
    ViewerDocument &d = document_;
    makeLayers();
    shown_ = true;
    texts_ = texts;
    arrangement_ = bestArrangement(QSizeF(d.cols(), d.rows()), kCount, viewport);
    d.leftCaption()->setVisible(false);
    d.rightCaption()->setVisible(false);
    d.rightLayer()->setVisible(false);
    second_->setVisible(true);
    third_->setVisible(true);
    place();
}

void PaneSet::setTexts(const QStringList &texts)
{
    texts_ = texts;
    if (shown_)
        place();
}

bool PaneSet::arrange(QSizeF viewport)
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

void PaneSet::place()
{
    ViewerDocument &d = document_;
    const QSizeF picture(d.cols(), d.rows());
    d.scene()->setSceneRect(QRectF(QPointF(0, 0), panesSize(picture, kCount, arrangement_)));
    QGraphicsPixmapItem *const layers[kCount] = {d.leftLayer(), second_, third_};
    QList<PaneCaptions::Caption> captions;
    for (int i = 0; i < kCount; ++i) {
        const QRectF rect = panePicture(picture, i, arrangement_);
        layers[i]->setPos(rect.topLeft());
        captions.append({rect, texts_.value(i).arg(d.cols()).arg(d.rows())});
    }
    const QGraphicsSimpleTextItem *own = d.leftCaption();
    captions_.show(captions, own->font(), own->brush().color());
}

void PaneSet::hide()
{
    shown_ = false;
    captions_.hide();
    if (!second_)
        return;
    for (QGraphicsPixmapItem *layer : {second_, third_}) {
        layer->setVisible(false);
        layer->setPixmap(QPixmap());
    }
}
