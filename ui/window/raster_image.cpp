#include "raster_image.h"

#include <QFileInfo>
#include <QImageReader>

#include <cstring>

namespace {

// Raster images open up to this many pixels a side; Qt's default limit of 256 MB would refuse
// far smaller ones. Eight bytes a pixel covers decoders that produce 16-bit channels.
constexpr int kMaxImageSide = 16384;
constexpr int kImageAllocationLimitMB = int(qint64(kMaxImageSide) * kMaxImageSide * 8 / 1048576);

} // namespace

QImage readRasterImage(const QString &path)
{
    // Only regular files are opened: opening a FIFO would block for ever.
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    reader.setAllocationLimit(kImageAllocationLimitMB);
    const QSize size = reader.size();
    if (size.width() > kMaxImageSide || size.height() > kMaxImageSide)
        return QImage();
    const QImage image = reader.read();
    if (image.width() > kMaxImageSide || image.height() > kMaxImageSide)
        return QImage();
    return image;
}

// The formats that loaded pictures usually arrive in are copied from their scan lines.
void copyRgb(const QImage &image, const PixelPlane &plane)
{
    const int width = image.width();
    const int height = image.height();
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        for (int y = 0; y < height; ++y) {
            const QRgb *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            std::uint8_t *dst = plane[y][0];
            for (int x = 0; x < width; ++x, dst += 3) {
                dst[0] = std::uint8_t(qRed(src[x]));
                dst[1] = std::uint8_t(qGreen(src[x]));
                dst[2] = std::uint8_t(qBlue(src[x]));
            }
        }
        break;
    case QImage::Format_RGB888:
        for (int y = 0; y < height; ++y)
            std::memcpy(plane[y][0], image.constScanLine(y), std::size_t(width) * 3);
        break;
    case QImage::Format_Grayscale8:
        for (int y = 0; y < height; ++y) {
            const uchar *src = image.constScanLine(y);
            std::uint8_t *dst = plane[y][0];
            for (int x = 0; x < width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
        }
        break;
    default:
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb p = image.pixel(x, y);
                std::uint8_t *dst = plane[y][x];
                dst[0] = std::uint8_t(qRed(p));
                dst[1] = std::uint8_t(qGreen(p));
                dst[2] = std::uint8_t(qBlue(p));
            }
        }
        break;
    }
}
