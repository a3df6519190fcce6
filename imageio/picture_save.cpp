#include "picture_save.h"

#include "cerror.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <new>
#include <vector>

namespace {

// Qt writes text and a colour space into its PNGs; the encoder records neither, so such an
// image keeps Qt's writer and loses nothing.
bool encoderTakes(const QImage &image, const QString &suffix)
{
    return suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0 &&
           image.format() == QImage::Format_RGB888 && !image.isNull() &&
           image.textKeys().isEmpty() && !image.colorSpace().isValid();
}

bool writeEncodedPng(const QImage &image, int compression, QSaveFile &file, QString *error)
{
    PngSettings settings;
    settings.compression = compression;
    settings.dotsPerMeterX = image.dotsPerMeterX();
    settings.dotsPerMeterY = image.dotsPerMeterY();
    std::vector<std::uint8_t> png;
    try {
        png = encodeRgbPng(
            {image.constBits(), image.width(), image.height(), std::size_t(image.bytesPerLine())},
            settings);
    } catch (const CError &e) {
        *error = QString::fromLocal8Bit(e.text);
        return false;
    } catch (const std::bad_alloc &) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    // A short write sets no error of its own (a file size limit, a device that fills up): the
    // next write for the rest is the one that fails and says why.
    const char *next = reinterpret_cast<const char *>(png.data());
    qint64 left = qint64(png.size());
    while (left > 0) {
        const qint64 written = file.write(next, left);
        if (written <= 0) {
            *error = file.errorString();
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

bool writeWithQt(const QImage &image, const QString &suffix, QSaveFile &file, QString *error)
{
    QImageWriter writer(&file, suffix.toLatin1());
    if (writer.write(image))
        return true;
    *error = writer.errorString();
    return false;
}

} // namespace

bool savePicture(const QImage &image, const QString &fileName, QString *error, int compression)
{
    const QString suffix = QFileInfo(fileName).suffix();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // A QSaveFile left uncommitted removes its temporary file: the old file stays whole.
    const bool written = encoderTakes(image, suffix)
                             ? writeEncodedPng(image, compression, file, error)
                             : writeWithQt(image, suffix, file, error);
    if (!written)
        return false;
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
