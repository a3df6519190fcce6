#ifndef ROW_KERNELS_H
#define ROW_KERNELS_H

// The row kernels behind the colour coding, the clamp and the grey views, in a plain form and
// in vector forms for AVX2 and AVX-512, each set gathered in one table. Every kernel writes
// the bytes of the plain per-pixel formula. The vector colour kernels replace atan2 by a
// bounded approximation wherever that provably cannot change a byte, and hand every other
// pixel to colorPixelExact; the vector clamp and grey kernels do the plain arithmetic lane by
// lane.

#include <cstdint>

namespace rowkernels {

struct ExactCache;

enum class Isa { Scalar, Avx2, Avx512 };

// One instruction set's kernels. Every entry accepts any cols (nothing happens for cols <= 0)
// and keeps no state of its own.
struct RowKernels {
    Isa isa;
    const char *name;

    // Same contract as colorFlowRow. The exact path keeps its last answers in cache, which
    // belongs to the calling thread.
    void (*colorRow)(const float *u, const float *v, std::uint8_t *rgb, int cols,
                     double inverseRadius, ExactCache &cache);

    // One row of ClampFlow: [-limit, limit] with low = -limit and high = limit as floats,
    // limit = |the int limit| as a double.
    void (*clampRow)(const float *su, const float *sv, float *du, float *dv, int cols, double limit,
                     float low, float high, bool clampAll);

    // The largest |x| of n floats, none of them NaN; 0 for n <= 0.
    float (*maxAbsRow)(const float *x, int n);

    // One row of the grey views (flowToGrey) for a cutoff k other than 0, twoK = 2k.
    void (*greyRow)(const float *u, const float *v, std::uint8_t *dimX, std::uint8_t *dimY,
                    int cols, double k, double twoK);

    // fk = ((a + 1) x 54) x 0.5 for n normalised components, with the angle a as this set's
    // colour kernel takes it (exact for the plain set); for the tests that bound the
    // approximation. The components must be finite and not both zero.
    void (*fkRow)(const float *fx, const float *fy, double *fk, int n);
};

// The kernels of isa, or null when this build lacks them or this processor cannot run them.
const RowKernels *kernelsFor(Isa isa);

// The fastest kernels this processor runs: chosen on first use, by whichever thread comes
// first, and never changed afterwards. The plane functions use them.
const RowKernels &chosenKernels();

#if defined(__x86_64__)
// Defined beside the kernels of each instruction set.
extern const RowKernels kAvx2Kernels;
extern const RowKernels kAvx512Kernels;
#endif

} // namespace rowkernels

#endif // ROW_KERNELS_H
