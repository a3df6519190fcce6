#include "picture_save.h"

#include "image_save.h"

#include "atomic_output.h"
#include "cerror.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>

#include <new>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as QSaveFile follows.
constexpr int kMaxLinks = 128;

// Qt writes text and a colour space into its PNGs; the encoder records neither, so such an
// image keeps Qt's writer and loses nothing.
bool encoderTakes(const QImage &image, const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0 &&
           image.format() == QImage::Format_RGB888 && !image.isNull() &&
           image.textKeys().isEmpty() && !image.colorSpace().isValid();
}

// QSaveFile wrote every picture before, and what it did with a file already at the name stays:
// a link is followed to the file it names, which is replaced while the link stays.
QString followLinks(const QString &fileName)
{
    QFileInfo info(fileName);
    for (int depth = 0; depth < kMaxLinks && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? fileName : info.filePath();
}

// The writer's message names the file, which the callers' messages name already.
QString reason(const CError &error, const QByteArray &target)
{
    const QByteArray prefix = target + ": cannot be written: ";
    const QByteArray text(error.text);
    return QString::fromLocal8Bit(text.startsWith(prefix) ? text.mid(prefix.size()) : text);
}

void writePng(const QImage &image, const QByteArray &target, int compression)
{
    PngSettings settings;
    settings.compression = compression;
    settings.dotsPerMeterX = image.dotsPerMeterX();
    settings.dotsPerMeterY = image.dotsPerMeterY();
    const std::vector<std::uint8_t> png = encodeRgbPng(
        {image.constBits(), image.width(), image.height(), std::size_t(image.bytesPerLine())},
        settings);
    AtomicOutput out(target.constData());
    // The new file keeps the permissions of the one it replaces, as with QSaveFile; where they
    // cannot be set it gets a new file's, which is no reason to fail the save.
    struct stat old;
    if (::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(::fileno(out.stream()), old.st_mode & 07777);
    out.write(png.data(), png.size());
    out.commit();
}

} // namespace

bool savePicture(const QImage &image, const QString &fileName, QString *error, int compression)
{
    if (!encoderTakes(image, fileName))
        return saveImageAtomically(image, fileName, error);
    const QString targetName = followLinks(fileName);
    const QFileInfo existing(targetName);
    if (existing.exists() && !existing.isDir() && !existing.isWritable()) {
        *error = QStringLiteral("Existing file %1 is not writable").arg(targetName);
        return false;
    }
    const QByteArray target = QFile::encodeName(targetName);
    try {
        writePng(image, target, compression);
        return true;
    } catch (const CError &e) {
        *error = reason(e, target);
    } catch (const std::bad_alloc &) {
        *error = QStringLiteral("out of memory");
    }
    return false;
}
