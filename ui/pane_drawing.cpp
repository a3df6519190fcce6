#include "pane_drawing.h"

#include "rgb32_rows.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsSimpleTextItem>
#include <QImage>
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

} // namespace

// A new pixmap of a 4K flow is 33 MB of fresh pages for the kernel to clear and map on every
// slider step, so the layer's previous pixmap gives its image when it has the plane's size and
// is RGB32, the format the conversion above gives here: the plane is converted into it as Qt
// would, and the pixmap adopts it without a copy. The image detaches first if anything else
// still shares it.
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

void placeCaption(QGraphicsSimpleTextItem *label, const QString &text, qreal left, qreal W, qreal H)
{
    label->setText(text);
    const qreal w = label->boundingRect().width();
    label->setPos(left + W * 0.5 - w * 0.5, H + kPaneGap);
    label->setVisible(true);
}
