#include "blend_frames.h"

#include "picture_folders.h"

#include <QDir>
#include <QFileInfo>

QString findBlendFrame(PictureFolders &folders, const QString &framesDir,
                       const QString &relativeName, QString *error)
{
    const QFileInfo name(relativeName);
    const QString folder = QDir::cleanPath(QDir(framesDir).filePath(name.path()));
    const QString base = name.completeBaseName();
    const QStringList found = folders.named(folder, base);
    if (found.size() == 1)
        return found.first();
    const QString where = QDir(folder).filePath(base);
    *error = found.isEmpty()
                 ? QStringLiteral("no frame %1.* to blend with").arg(where)
                 : QStringLiteral("several frames to blend with: %1").arg(found.join(", "));
    return QString();
}
