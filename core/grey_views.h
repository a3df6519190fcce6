#ifndef GREY_VIEWS_H
#define GREY_VIEWS_H

#include "planes.h"

// Writes the grey views of the two clamped components: ((c + K) x 255) / (2K) truncated,
// its low 8 bits in all three bytes of the pixel, so -K is 0 and K is 255. Unknown vectors
// are 0 in both views, and a cutoff of 0 makes both views black.
void FlowToGrey(int cutoff, const PixelPlane &dimX, const PixelPlane &dimY, const FloatPlane &u,
                const FloatPlane &v, int rows, int cols);

#endif // GREY_VIEWS_H
