#ifndef FIELD_PLANES_H
#define FIELD_PLANES_H

#include "planes.h"

#include <QString>

#include <cstdint>
#include <vector>

// Planes filled from flat row-major values, and flat copies back out, so tests can state
// fields as lists and compare whole planes at once.
FloatPlane floatPlaneOf(const std::vector<float> &values, int rows, int cols);
PixelPlane pixelPlaneFilled(int rows, int cols, std::uint8_t fill);
std::vector<float> valuesOf(const FloatPlane &plane);
std::vector<std::uint8_t> bytesOf(const PixelPlane &plane);

// Equal as the program sees them: NaN matches NaN, and +0 matches -0.
bool sameValue(float a, float b);

// The first byte where got differs from want, named by what want is ("alone", "one band"); empty
// when they are equal.
QString firstByteDifference(const std::vector<std::uint8_t> &got,
                            const std::vector<std::uint8_t> &want, const char *wantName);

#endif // FIELD_PLANES_H
