#ifndef OCCLUSION_MASKS_H
#define OCCLUSION_MASKS_H

#include "planes.h"

#include <QString>

#include <cstdint>

// The occlusion mask of the ground truth at groundTruth: the picture of its base name in
// chosenFolder when the user chose one; otherwise in Sintel's layout, where
// .../flow/<scene>/frame_0001.flo has its mask in .../occlusions/<scene>/, then in a folder
// named "occlusions" beside the ground truth's folder, then inside it. Empty when there is
// none; problem then says why when a mask cannot be told apart from another of its name.
QString occlusionMaskFor(const QString &groundTruth, const QString &chosenFolder,
                         QString *problem);

// Draws the outline of the occluded pixels into the picture: each occluded pixel with a
// neighbour (left, right, above, below) that is not.
void drawOcclusionOutline(PixelPlane &picture, const std::uint8_t *occluded);

// The outline's colour, apart from every colour of the EPE picture.
constexpr std::uint8_t kOutlineColor[3] = {255, 0, 255};

#endif // OCCLUSION_MASKS_H
