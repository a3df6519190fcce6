#include "mask_image.h"

#include "picture_folders.h"

#include <QImage>
#include <QImageReader>

namespace {

template <typename Pixel, typename Test>
void markRows(const QImage &image, std::uint8_t *out, Test isSet)
{
    // QImage's size and rows are calls into the library: ask once, not per pixel.
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y, out += width) {
        const auto *row = reinterpret_cast<const Pixel *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = isSet(row[x]) ? 1 : 0;
    }
}

} // namespace

bool readMaskImage(const QString &path, MaskImage *mask, QString *error)
{
    QImageReader reader(path);
    QImage image;
    if (!reader.read(&image)) {
        *error = reader.errorString();
        return false;
    }
    mask->width = image.width();
    mask->height = image.height();
    mask->set.resize(std::size_t(image.width()) * std::size_t(image.height()));
    std::uint8_t *out = mask->set.data();
    // Alpha is no colour: an opaque black pixel is not set.
    switch (image.format()) {
    case QImage::Format_Grayscale8:
        markRows<std::uint8_t>(image, out, [](std::uint8_t v) { return v != 0; });
        break;
    case QImage::Format_Grayscale16:
        markRows<std::uint16_t>(image, out, [](std::uint16_t v) { return v != 0; });
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        markRows<QRgb>(image, out, [](QRgb v) { return (v & 0xffffffu) != 0; });
        break;
    default:
        // Every other format converts to 16 bits a channel without losing a non-zero value.
        image.convertTo(QImage::Format_RGBA64);
        markRows<QRgba64>(image, out, [](QRgba64 v) {
            return v.red() != 0 || v.green() != 0 || v.blue() != 0;
        });
        break;
    }
    return true;
}

QStringList picturesNamed(const QString &folder, const QString &baseName)
{
    return PictureFolders().named(folder, baseName);
}

QString findMaskImage(PictureFolders &folders, const QString &folder, const QString &baseName,
                      QString *problem)
{
    const QStringList found = folders.named(folder, baseName);
    if (found.size() == 1)
        return found.first();
    *problem = found.isEmpty()
                   ? QStringLiteral("no picture named %1.* in %2").arg(baseName, folder)
                   : QStringLiteral("more than one picture named %1.*: %2")
                         .arg(baseName, found.join(QStringLiteral(", ")));
    return QString();
}

QString maskSizeProblem(const MaskImage &mask, int flowWidth, int flowHeight)
{
    if (mask.width == flowWidth && mask.height == flowHeight)
        return QString();
    return QStringLiteral("mask %1 x %2 does not match the flow's %3 x %4")
        .arg(mask.width)
        .arg(mask.height)
        .arg(flowWidth)
        .arg(flowHeight);
}
