#include "picture_folders.h"

#include <QDir>
#include <QImageReader>

QStringList PictureFolders::named(const QString &folder, const QString &baseName)
{
    auto known = folders_.constFind(folder);
    if (known == folders_.constEnd()) {
        static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
        QHash<QString, QStringList> byBase;
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot > 0 && formats.contains(name.mid(dot + 1).toLower().toLatin1()))
                byBase[name.left(dot)] << dir.filePath(name);
        }
        known = folders_.insert(folder, byBase);
    }
    return known->value(baseName);
}
