#include "frame_follower.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The types the open dialog offers.
const QStringList kImageSuffixes = {
    QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
    QStringLiteral("ppm"), QStringLiteral("pgm"), QStringLiteral("xpm")};

} // namespace

QString frameForFlow(const QString &flowPath, int flowIndex, const FrameFolder &folder)
{
    const QDir dir(folder.dir);
    const QString base = QFileInfo(flowPath).completeBaseName();
    QStringList suffixes{folder.suffix};
    for (const QString &s : kImageSuffixes)
        if (s.compare(folder.suffix, Qt::CaseInsensitive) != 0)
            suffixes << s;
    for (const QString &suffix : suffixes) {
        const QString candidate = dir.filePath(base + QLatin1Char('.') + suffix);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }

    const QStringList listing =
        dir.entryList({QStringLiteral("*.") + folder.suffix}, QDir::Files, QDir::Name);
    if (flowIndex >= 0 && flowIndex < listing.size())
        return dir.filePath(listing.at(flowIndex));
    return QString();
}
