#include "pane_drawing.h"

#include "rgb32_rows.h"
#include "row_bands.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QPixmap>

namespace {

// The plane's pixels as Qt converts RGB888 to RGB32, into image (of the plane's size, RGB32,
// not shared), the rows shared out between threads like the colour rows.
void convertInto(QImage &image, const PixelPlane &plane)
{
    uchar *const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int rows = plane.rows();
    const int bands = bandCount(BandPlan(), rows, plane.cols());
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        for (int y = range.begin; y < range.end; ++y)
            rgb32Row(plane[y][0], reinterpret_cast<std::uint32_t *>(bits + y * stride),
                     plane.cols());
    });
}

// A new image the pixmap adopts without a copy. Where the memory cannot be had, Qt's own
// conversion says so as it always did: with a null pixmap.
QPixmap pixmapOf(const PixelPlane &plane)
{
    if (!plane)
        return QPixmap();
    QImage image(plane.cols(), plane.rows(), QImage::Format_RGB32);
    if (image.isNull()) {
        const QImage wrapped(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                             QImage::Format_RGB888);
        return QPixmap::fromImage(wrapped);
    }
    convertInto(image, plane);
    return QPixmap::fromImage(std::move(image));
}

} // namespace

// A new pixmap of a large flow is a great many fresh pages for the kernel to clear and map on
// every slider step, so the layer's previous pixmap gives its image when it has the plane's size
// and is RGB32, the format the conversion above gives: the plane is converted into it, and the
// pixmap adopts it without a copy. The image detaches first (on this thread, before the bands
// write it) if anything else still shares it.
void showPlane(QGraphicsPixmapItem *layer, const PixelPlane &plane)
{
    QImage image = layer->pixmap().toImage();
    if (!plane || image.format() != QImage::Format_RGB32 || image.width() != plane.cols() ||
        image.height() != plane.rows()) {
        layer->setPixmap(pixmapOf(plane));
        return;
    }
    layer->setPixmap(QPixmap());
    convertInto(image, plane);
    layer->setPixmap(QPixmap::fromImage(std::move(image)));
}

void placeCaption(QGraphicsSimpleTextItem *label, const QString &text, qreal left, qreal W, qreal H)
{
    label->setText(text);
    const qreal w = label->boundingRect().width();
    label->setPos(left + W * 0.5 - w * 0.5, H + kPaneGap);
    label->setVisible(true);
}
