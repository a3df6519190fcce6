#include "vek_zandor.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QPixmap>

namespace {

// The plane's block is wrapped, not copied; the pixmap takes its own copy.
QPixmap pixmapOf(const PixelPlane &plane)
{
    if (!plane)
        return QPixmap();
    const QImage image(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                       QImage::Format_RGB888);
    return QPixmap::fromImage(image);
}

// Room below the picture for its caption, and the caption's offset and the gap between views.
constexpr qreal kCaptionBand = 30;
constexpr qreal kGap = 5;

void placeCaption(QGraphicsSimpleTextItem *label, const QString &text, qreal left, qreal W, qreal H)
{
    label->setText(text);
    const qreal w = label->boundingRect().width();
    label->setPos(left + W * 0.5 - w * 0.5, H + kGap);
    label->setVisible(true);
}

} // namespace

void Vek_Zandor::RefreshScene(bool showDims)
{
    const qreal W = viewImage.width();
    const qreal H = viewImage.height();
    const bool dims = showDims && isFlow;

    scene->setSceneRect(0, 0, dims ? 2 * W : W, H + kCaptionBand);

    if (dims) {
        placeCaption(leftLabel, tr("X Dimension (%1 X %2)").arg(cols).arg(rows), 0, W, H);
        placeCaption(rightLabel, tr("Y Dimension (%1 X %2)").arg(cols).arg(rows), W + kGap, W, H);
        leftLayer->setPixmap(pixmapOf(dimXPlane));
        leftLayer->setPos(0, 0);
        rightLayer->setPixmap(pixmapOf(dimYPlane));
        rightLayer->setPos(W + kGap, 0);
        rightLayer->setVisible(true);
    } else {
        placeCaption(leftLabel, tr("Color Show (%1 X %2)").arg(cols).arg(rows), 0, W, H);
        rightLabel->setVisible(false);
        leftLayer->setPixmap(pixmapOf(colorPlane));
        leftLayer->setPos(0, 0);
        rightLayer->setVisible(false);
    }
}
