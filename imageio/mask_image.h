#ifndef MASK_IMAGE_H
#define MASK_IMAGE_H

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A per-pixel mask read from a picture: occlusions, objects, pixels to leave out.
struct MaskImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> set; // row-major, 1 where any colour channel is non-zero
};

// Reads the picture at path in any format Qt reads, at its own depth, so that a 16-bit mask's
// small values stay set. False, with error set to Qt's reason, when it cannot.
bool readMaskImage(const QString &path, MaskImage *mask, QString *error);

class PictureFolders;

// The pictures named baseName plus one suffix of a format Qt reads, in folder, by name.
QStringList picturesNamed(const QString &folder, const QString &baseName);

// The one such picture, folder's names read through folders. Empty, with problem set, when
// there is none, or more than one to choose from.
QString findMaskImage(PictureFolders &folders, const QString &folder, const QString &baseName,
                      QString *problem);

// "mask W x H does not match the flow's W x H", or empty when the sizes agree.
QString maskSizeProblem(const MaskImage &mask, int flowWidth, int flowHeight);

#endif // MASK_IMAGE_H
