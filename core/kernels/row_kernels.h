#ifndef ROW_KERNELS_H
#define ROW_KERNELS_H

// The row kernels behind the colour coding, the clamp and the grey views, in a plain form and
// in vector forms for AVX2 and AVX-512. Every kernel writes the bytes of the
// plain per-pixel formula. The vector colour kernels replace atan2 by a bounded approximation
// wherever that provably cannot change a byte, and hand every other pixel to
// colorPixelExact; the vector clamp and grey kernels do the plain arithmetic lane by lane.

#include <cstdint>

namespace rowkernels {

enum class Isa { Scalar, Avx2, Avx512 };

// True when this build has the kernel and this processor can run it.
bool supported(Isa isa);
// The fastest supported kernel.
Isa best();
// The kernel the plane functions use: best() unless a test has chosen another.
Isa active();
// For tests: makes the plane functions use isa, which must be supported.
void setActive(Isa isa);
const char *name(Isa isa);

// Same contract as colorFlowRow, through the given kernel (which must be supported).
void colorRow(Isa isa, const float *u, const float *v, std::uint8_t *rgb, int cols,
              double inverseRadius);

// One row of ClampFlow: [-limit, limit] with low = -limit and high = limit as floats, limit
// = |the int limit| as a double.
void clampRow(Isa isa, const float *su, const float *sv, float *du, float *dv, int cols,
              double limit, float low, float high, bool clampAll);

// The largest |x| of n floats, none of them NaN; 0 for n <= 0.
float maxAbsRow(Isa isa, const float *x, int n);

// One row of FlowToGrey for a cutoff k other than 0, twoK = 2k.
void greyRow(Isa isa, const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY,
             int cols, double k, double twoK);

// One pixel the plain way: atan2 from the C library, then the wheel. fx, fy are the
// normalised components already rounded to float, and must not be NaN.
void colorPixelExact(float fx, float fy, std::uint8_t *rgb);

// The plain loops.
void colorRowScalar(const float *u, const float *v, std::uint8_t *rgb, int cols,
                    double inverseRadius);
void clampRowScalar(const float *su, const float *sv, float *du, float *dv, int cols, double limit,
                    float low, float high, bool clampAll);
void greyRowScalar(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY, int cols,
                   double k, double twoK);

// The wheel between entries k and k + 1, for k = 0 .. 53 (fk < 54 never needs the wrap), as
// the vector kernels use it. Between any two neighbours exactly one channel changes, and the
// other two stay at 0 or at 255: bits 0-7 hold the changing channel's byte at k, bits 8-15
// at k + 1, bits 16-23 its position in the pixel (0, 8 or 16) and bits 32-55 a mask of 0xff
// at the channels that stay at 255. A pair that broke that rule would carry kIrregularPair,
// and its pixels would go the exact way. Filled by BuildColorWheel.
constexpr std::uint64_t kIrregularPair = std::uint64_t(1) << 24;
extern std::uint64_t wheelPairs[54];

// |fk' - fk| for the approximate angle stays below this, where the proven bound is about
// 2.3e-9 (see color_lanes.h); a pixel whose fk' or channel values lie closer than the margin to
// a truncation boundary goes the exact way.
constexpr double kFkMargin = 1e-7;
// A channel's value before truncation lies within 255 x |col1 - col0| x kFkMargin + 4e-13 of
// the exact one (see color_lanes.h), where 255 x |col1 - col0| is the step between the two
// wheel bytes times 255 x 0.0039215689 < 1.0000001: the margin it must keep from a whole
// number.
constexpr double kStepMargin = 1.0000001 * kFkMargin;
constexpr double kChannelRounding = 1e-12;

// fk' = ((a + 1) x 54) x 0.5 from the approximate angle a, for n normalised components as
// the given vector kernel computes it; for the tests that bound |fk' - fk|. The components
// must be finite and not both zero.
void approximateFkRow(Isa isa, const float *fx, const float *fy, double *fk, int n);

// The kernels of each instruction set, defined in their own files.
void colorRowAvx2(const float *u, const float *v, std::uint8_t *rgb, int cols,
                  double inverseRadius);
void colorRowAvx512(const float *u, const float *v, std::uint8_t *rgb, int cols,
                    double inverseRadius);
void fkRowAvx2(const float *fx, const float *fy, double *fk, int n);
void fkRowAvx512(const float *fx, const float *fy, double *fk, int n);
// The vector clamp takes the limit as a float, which it must represent exactly.
void clampRowAvx2(const float *su, const float *sv, float *du, float *dv, int cols, float limit,
                  float low, float high, bool clampAll);
void clampRowAvx512(const float *su, const float *sv, float *du, float *dv, int cols, float limit,
                    float low, float high, bool clampAll);
void greyRowAvx2(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY, int cols,
                 double k, double twoK);
float maxAbsRowAvx2(const float *x, int n);
float maxAbsRowAvx512(const float *x, int n);
void greyRowAvx512(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY, int cols,
                   double k, double twoK);

} // namespace rowkernels

#endif // ROW_KERNELS_H
