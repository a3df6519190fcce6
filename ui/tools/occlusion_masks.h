#ifndef OCCLUSION_MASKS_H
#define OCCLUSION_MASKS_H

#include "planes.h"

#include <QImage>
#include <QString>

#include <cstdint>

// The occlusion mask of the ground truth at groundTruth: the picture of its base name in
// chosenFolder when the user chose one; otherwise in Sintel's layout, where
// .../flow/<scene>/frame_0001.flo has its mask in .../occlusions/<scene>/, then in a folder
// named "occlusions" beside the ground truth's folder, then inside it. Empty when there is
// none; problem then says why when a mask cannot be told apart from another of its name.
QString occlusionMaskFor(const QString &groundTruth, const QString &chosenFolder,
                         QString *problem);

// Draws the outline of the occluded pixels (non-zero in occluded) into the picture: each
// occluded pixel with a neighbour (left, right, above, below) that is not.
void drawOcclusionOutline(PixelPlane &picture, const std::uint8_t *occluded);

// The same outline on a transparent picture of width x height, to lie over another; a pixel
// is occluded where levels holds occludedLevel.
QImage occlusionOutline(const std::uint8_t *levels, std::uint8_t occludedLevel, int width,
                        int height);

// The outline's colour, apart from every colour of the EPE picture.
constexpr std::uint8_t kOutlineColor[3] = {255, 0, 255};

#endif // OCCLUSION_MASKS_H
