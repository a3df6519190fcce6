#ifndef EVAL_KERNELS_H
#define EVAL_KERNELS_H

// The evaluation's kernels: plain ones and vector forms for AVX2 and AVX-512 that give the same
// sums to the last bit and the same picture to the byte. A run of pixels is added, in order, to
// the sums it is given.

#include "flow_metrics.h"
#include "row_kernels.h"

#include <cstddef>
#include <cstdint>

namespace evalkernels {

// The masks point at the run's first pixel.
using EvalRun = void (*)(const float *ue, const float *ve, const float *ug, const float *vg,
                         const EvalMasks &masks, std::size_t n, EvalSums &sums);

void evalRunPlain(const float *ue, const float *ve, const float *ug, const float *vg,
                  const EvalMasks &masks, std::size_t n, EvalSums &sums);

// What a run leaves for another thread to add, pixel by pixel: each pixel's EPE and angle (0
// where it is not evaluated) and its classes. A values run counts into its sums as an evalRun
// would, leaving their double sums alone; addEvalValues then adds the doubles, in order, to the
// sums they continue, which so come out to the bits of one evalRun over both runs.
struct EvalValues {
    double *epe;
    double *angle;
    std::uint8_t *classes; // kEvaluated, the speed band shifted by kBandShift, kOccluded
};
constexpr std::uint8_t kEvaluated = 1;
constexpr int kBandShift = 1;
constexpr std::uint8_t kOccluded = 8;

using EvalValuesRun = void (*)(const float *ue, const float *ve, const float *ug, const float *vg,
                               const EvalMasks &masks, std::size_t n, const EvalValues &out,
                               EvalSums &counts);

void evalValuesPlain(const float *ue, const float *ve, const float *ug, const float *vg,
                     const EvalMasks &masks, std::size_t n, const EvalValues &out,
                     EvalSums &counts);

// Adds n values, in order, to the double sums; occlusions tells whether the run had a mask.
void addEvalValues(const EvalValues &values, std::size_t n, bool occlusions, EvalSums &sums);

// The EPE picture of n pixels, 3 bytes each into rgb: black where a pixel is not evaluated.
using EpeRun = void (*)(const float *ue, const float *ve, const float *ug, const float *vg,
                        std::size_t n, std::uint8_t *rgb);

void epeRunPlain(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                 std::uint8_t *rgb);

// The program's arc cosine, for q in [-1, 1], and the angle in degrees between (ue, ve, 1) and
// (ug, vg, 1), both as the plain kernel computes them.
double arcCos(double q);
double angleDegrees(double ue, double ve, double ug, double vg);

// The runs of isa, or null when this build or this processor lacks it.
EvalRun evalRunFor(rowkernels::Isa isa);
EvalValuesRun evalValuesRunFor(rowkernels::Isa isa);
EpeRun epeRunFor(rowkernels::Isa isa);
// The fastest this processor runs, the instruction set the colour kernels chose.
EvalRun chosenEvalRun();
EvalValuesRun chosenEvalValuesRun();
EpeRun chosenEpeRun();

#if defined(__x86_64__)
void evalRunAvx2(const float *ue, const float *ve, const float *ug, const float *vg,
                 const EvalMasks &masks, std::size_t n, EvalSums &sums);
void evalRunAvx512(const float *ue, const float *ve, const float *ug, const float *vg,
                   const EvalMasks &masks, std::size_t n, EvalSums &sums);
void evalValuesAvx2(const float *ue, const float *ve, const float *ug, const float *vg,
                    const EvalMasks &masks, std::size_t n, const EvalValues &out,
                    EvalSums &counts);
void evalValuesAvx512(const float *ue, const float *ve, const float *ug, const float *vg,
                      const EvalMasks &masks, std::size_t n, const EvalValues &out,
                      EvalSums &counts);
void epeRunAvx2(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                std::uint8_t *rgb);
void epeRunAvx512(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                  std::uint8_t *rgb);
#endif

} // namespace evalkernels

#endif // EVAL_KERNELS_H
