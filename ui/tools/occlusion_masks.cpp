#include "occlusion_masks.h"

#include "mask_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString occlusionMaskFor(const QString &groundTruth, const QString &chosenFolder,
                         QString *problem)
{
    const QFileInfo truth(groundTruth);
    const QString base = truth.completeBaseName();
    QStringList folders;
    if (!chosenFolder.isEmpty()) {
        folders << chosenFolder;
    } else {
        const QDir folder = truth.absoluteDir();
        QDir parent = folder;
        if (parent.cdUp()) {
            if (QFileInfo(parent.absolutePath()).fileName() == QLatin1String("flow")) {
                QDir dataset = parent;
                if (dataset.cdUp())
                    folders << dataset.filePath(QStringLiteral("occlusions/") + folder.dirName());
            }
            folders << parent.filePath(QStringLiteral("occlusions"));
        }
        folders << folder.filePath(QStringLiteral("occlusions"));
    }
    problem->clear();
    for (const QString &folder : std::as_const(folders)) {
        if (!QFileInfo(folder).isDir())
            continue;
        const QStringList found = picturesNamed(folder, base);
        if (found.size() == 1)
            return found.first();
        // Two masks of one name: which one is meant cannot be guessed.
        if (found.size() > 1) {
            *problem = QCoreApplication::translate("OcclusionMasks",
                                                   "More than one occlusion mask: %1")
                           .arg(found.join(QStringLiteral(", ")));
            return QString();
        }
    }
    return QString();
}

void drawOcclusionOutline(PixelPlane &picture, const std::uint8_t *occluded)
{
    const int rows = picture.rows();
    const int cols = picture.cols();
    const auto at = [&](int y, int x) { return occluded[std::size_t(y) * cols + x] != 0; };
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            if (!at(y, x))
                continue;
            const bool edge = (x > 0 && !at(y, x - 1)) || (x + 1 < cols && !at(y, x + 1)) ||
                              (y > 0 && !at(y - 1, x)) || (y + 1 < rows && !at(y + 1, x));
            if (!edge)
                continue;
            std::uint8_t *p = picture[y][x];
            p[0] = kOutlineColor[0];
            p[1] = kOutlineColor[1];
            p[2] = kOutlineColor[2];
        }
}
