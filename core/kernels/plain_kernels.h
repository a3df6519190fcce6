#ifndef PLAIN_KERNELS_H
#define PLAIN_KERNELS_H

// The plain per-pixel formulas, a row or a pixel at a time: the scalar kernels, and the
// fallback of the vector kernels for whatever they leave undecided.

#include <cstdint>

namespace rowkernels {

struct ExactCache;

// One pixel the plain way, atan2 from the C library and then the wheel, as red, green, blue.
// fx, fy are the normalised components already rounded to float, and must not be NaN.
void colorPixel(float fx, float fy, std::uint8_t *rgb);
// The same, answered from cache when the same components came shortly before.
void colorPixelExact(float fx, float fy, std::uint8_t *rgb, ExactCache &cache);

void colorRowScalar(const float *u, const float *v, std::uint8_t *rgb, int cols,
                    double inverseRadius);
void fkRowScalar(const float *fx, const float *fy, double *fk, int n);
void clampRowScalar(const float *su, const float *sv, float *du, float *dv, int cols, double limit,
                    float low, float high, bool clampAll);
float maxAbsRowScalar(const float *x, int n);
void greyRowScalar(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY, int cols,
                   double k, double twoK);

} // namespace rowkernels

#endif // PLAIN_KERNELS_H
