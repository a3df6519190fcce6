#ifndef SCALAR_OUTPUT_H
#define SCALAR_OUTPUT_H

#include "planes.h"

// One float a pixel, for figures per pixel such as the end-point error: a NumPy array of
// shape (H, W), '<f4', or a greyscale PFM ("Pf", little-endian, rows bottom up). Either is
// written under a temporary name and renamed over path once complete. Throws CError.
enum class ScalarFormat { Npy, Pfm };

void writeScalarPlane(ScalarFormat format, const FloatPlane &plane, const char *path);

#endif // SCALAR_OUTPUT_H
