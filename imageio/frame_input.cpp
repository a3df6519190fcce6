#include "frame_input.h"

#include <QFileInfo>
#include <QImageReader>

#include <cstring>

namespace {

// As the viewer opens raster images: Qt's default allocation limit of 256 MB would refuse a
// 16-bit 8K frame.
constexpr int kMaxFrameSide = 16384;
constexpr int kFrameAllocationLimitMB = int(qint64(kMaxFrameSide) * kMaxFrameSide * 8 / 1048576);

} // namespace

QImage readFrame(const QString &path, QString *error)
{
    const QFileInfo info(path);
    // Opening a FIFO would block for ever.
    if (!info.isFile()) {
        *error = info.exists() ? QStringLiteral("%1: not a regular file").arg(path)
                               : QStringLiteral("%1: no such file").arg(path);
        return QImage();
    }
    QImageReader reader(path);
    reader.setAllocationLimit(kFrameAllocationLimitMB);
    const QSize size = reader.size();
    if (size.width() > kMaxFrameSide || size.height() > kMaxFrameSide) {
        *error = QStringLiteral("%1: %2 x %3 is larger than frames open")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("%1: %2").arg(path, reader.errorString());
        return QImage();
    }
    image.convertTo(QImage::Format_RGB888);
    if (image.isNull())
        *error = QStringLiteral("%1: out of memory").arg(path);
    return image;
}

RgbFrame frameView(const QImage &rgb888)
{
    return {rgb888.constBits(), rgb888.width(), rgb888.height(), rgb888.bytesPerLine()};
}

QImage occlusionImage(const std::uint8_t *levels, int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    if (image.isNull())
        return image;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), levels + std::size_t(y) * std::size_t(width),
                    std::size_t(width));
    return image;
}
