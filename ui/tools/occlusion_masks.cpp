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

namespace {

// Occluded, with a neighbour inside the picture that is not: the picture's border is no edge.
template <typename Occluded>
bool onEdge(const Occluded &occluded, int x, int y, int width, int height)
{
    return occluded(x, y) &&
           ((x > 0 && !occluded(x - 1, y)) || (x + 1 < width && !occluded(x + 1, y)) ||
            (y > 0 && !occluded(x, y - 1)) || (y + 1 < height && !occluded(x, y + 1)));
}

} // namespace

void drawOcclusionOutline(PixelPlane &picture, const std::uint8_t *occluded)
{
    const int rows = picture.rows();
    const int cols = picture.cols();
    const auto at = [&](int x, int y) { return occluded[std::size_t(y) * cols + x] != 0; };
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            if (onEdge(at, x, y, cols, rows)) {
                std::uint8_t *p = picture[y][x];
                p[0] = kOutlineColor[0];
                p[1] = kOutlineColor[1];
                p[2] = kOutlineColor[2];
            }
}

QImage occlusionOutline(const std::uint8_t *levels, std::uint8_t occludedLevel, int width,
                        int height)
{
    QImage outline(width, height, QImage::Format_ARGB32);
    outline.fill(Qt::transparent);
    const auto at = [&](int x, int y) {
        return levels[std::size_t(y) * std::size_t(width) + std::size_t(x)] == occludedLevel;
    };
    const QRgb ink = qRgb(kOutlineColor[0], kOutlineColor[1], kOutlineColor[2]);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(outline.scanLine(y));
        for (int x = 0; x < width; ++x)
            if (onEdge(at, x, y, width, height))
                line[x] = ink;
    }
    return outline;
}
