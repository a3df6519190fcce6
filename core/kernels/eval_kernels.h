#ifndef EVAL_KERNELS_H
#define EVAL_KERNELS_H

// The evaluation's kernels: a plain one and vector forms for AVX2 and AVX-512 that give the
// same sums to the last bit. Each adds the pixels of a run, in order, to sums.

#include "flow_metrics.h"
#include "row_kernels.h"

#include <cstddef>

namespace evalkernels {

using EvalRun = void (*)(const float *ue, const float *ve, const float *ug, const float *vg,
                         std::size_t n, EvalSums &sums);

void evalRunPlain(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                  EvalSums &sums);

// The program's arc cosine, for q in [-1, 1], and the angle in degrees between (ue, ve, 1) and
// (ug, vg, 1), both as the plain kernel computes them.
double arcCos(double q);
double angleDegrees(double ue, double ve, double ug, double vg);

// The run of isa, or null when this build or this processor lacks it.
EvalRun evalRunFor(rowkernels::Isa isa);
// The fastest this processor runs, the instruction set the colour kernels chose.
EvalRun chosenEvalRun();

#if defined(__x86_64__)
void evalRunAvx2(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                 EvalSums &sums);
void evalRunAvx512(const float *ue, const float *ve, const float *ug, const float *vg,
                   std::size_t n, EvalSums &sums);
#endif

} // namespace evalkernels

#endif // EVAL_KERNELS_H
