#include "picture_save.h"

#include "image_save.h"

#include "cerror.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>

#include <new>

namespace {

// Qt writes text and a colour space into its PNGs; the encoder records neither, so such an
// image keeps Qt's writer and loses nothing.
bool encoderTakes(const QImage &image, const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0 &&
           image.format() == QImage::Format_RGB888 && !image.isNull() &&
           image.textKeys().isEmpty() && !image.colorSpace().isValid();
}

// The writer's message names the file, which the callers' messages name already.
QString reason(const CError &error, const QByteArray &target)
{
    const QByteArray prefix = target + ": cannot be written: ";
    const QByteArray text(error.text);
    return QString::fromLocal8Bit(text.startsWith(prefix) ? text.mid(prefix.size()) : text);
}

} // namespace

bool savePicture(const QImage &image, const QString &fileName, QString *error, int compression)
{
    if (!encoderTakes(image, fileName))
        return saveImageAtomically(image, fileName, error);
    const QByteArray target = QFile::encodeName(fileName);
    try {
        PngSettings settings;
        settings.compression = compression;
        settings.dotsPerMeterX = image.dotsPerMeterX();
        settings.dotsPerMeterY = image.dotsPerMeterY();
        const RgbPicture picture{image.constBits(), image.width(), image.height(),
                                 std::size_t(image.bytesPerLine())};
        writeRgbPng(target.constData(), picture, settings);
        return true;
    } catch (const CError &e) {
        *error = reason(e, target);
    } catch (const std::bad_alloc &) {
        *error = QStringLiteral("out of memory");
    }
    return false;
}
