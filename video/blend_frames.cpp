#include "blend_frames.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

namespace {

// The suffixes Qt reads pictures of, in lower case.
const QSet<QString> &pictureSuffixes()
{
    static const QSet<QString> suffixes = [] {
        QSet<QString> set;
        const QList<QByteArray> formats = QImageReader::supportedImageFormats();
        for (const QByteArray &format : formats)
            set.insert(QString::fromLatin1(format).toLower());
        return set;
    }();
    return suffixes;
}

} // namespace

QString findBlendFrame(const QString &framesDir, const QString &relativeName, QString *error)
{
    const QFileInfo name(relativeName);
    const QString folder = QDir(framesDir).filePath(name.path());
    const QString base = name.completeBaseName();
    const QStringList entries =
        QDir(folder).entryList({base + QStringLiteral(".*")}, QDir::Files, QDir::Name);
    QStringList found;
    for (const QString &entry : entries) {
        const QFileInfo candidate(entry);
        if (candidate.completeBaseName() == base &&
            pictureSuffixes().contains(candidate.suffix().toLower()))
            found << QDir(folder).filePath(entry);
    }
    if (found.size() == 1)
        return QDir::cleanPath(found.first());
    const QString where = QDir::cleanPath(QDir(folder).filePath(base));
    *error = found.isEmpty()
                 ? QStringLiteral("no frame %1.* to blend with").arg(where)
                 : QStringLiteral("several frames to blend with: %1").arg(found.join(", "));
    return QString();
}
