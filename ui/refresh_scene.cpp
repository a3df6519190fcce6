#include "vek_zandor.h"

#include "flow_tools.h"
#include "rgb32_rows.h"

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

// Hands the layer the pixmap of a plane. A new pixmap of a 4K flow is 33 MB of fresh pages
// for the kernel to clear and map on every slider step, so the layer's previous pixmap gives
// its image when it has the plane's size and is RGB32, the format the conversion above gives
// here: the plane is converted into it as Qt would, and the pixmap adopts it without a copy.
// The image detaches first if anything else still shares it.
void showPlane(QGraphicsPixmapItem *layer, const PixelPlane &plane)
{
    QImage image = layer->pixmap().toImage();
    if (!plane || image.format() != QImage::Format_RGB32 || image.width() != plane.cols() ||
        image.height() != plane.rows()) {
        layer->setPixmap(pixmapOf(plane));
        return;
    }
    layer->setPixmap(QPixmap());
    for (int y = 0; y < plane.rows(); ++y)
        rgb32Row(plane[y][0], reinterpret_cast<std::uint32_t *>(image.scanLine(y)), plane.cols());
    layer->setPixmap(QPixmap::fromImage(std::move(image)));
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
        showPlane(leftLayer, dimXPlane);
        leftLayer->setPos(0, 0);
        showPlane(rightLayer, dimYPlane);
        rightLayer->setPos(W + kGap, 0);
        rightLayer->setVisible(true);
    } else {
        placeCaption(leftLabel, tr("Color Show (%1 X %2)").arg(cols).arg(rows), 0, W, H);
        rightLabel->setVisible(false);
        showPlane(leftLayer, colorPlane);
        leftLayer->setPos(0, 0);
        rightLayer->setVisible(false);
    }
    if (flowTools_)
        flowTools_->sceneRefreshed();
}
