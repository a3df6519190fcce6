// x86-64 only; other processors use the plain kernel.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 256
#define ROW_KERNEL_TARGET __attribute__((target("avx2")))
#include "eval_lanes.h"

void evalkernels::evalRunAvx2(const float *ue, const float *ve, const float *ug, const float *vg,
                              const EvalMasks &masks, std::size_t n, EvalSums &sums)
{
    evalRunLanes(ue, ve, ug, vg, masks, n, sums);
}

void evalkernels::evalValuesAvx2(const float *ue, const float *ve, const float *ug,
                                 const float *vg, const EvalMasks &masks, std::size_t n,
                                 const EvalValues &out, EvalSums &counts)
{
    evalValuesLanes(ue, ve, ug, vg, masks, n, out, counts);
}

void evalkernels::epeRunAvx2(const float *ue, const float *ve, const float *ug, const float *vg,
                             std::size_t n, std::uint8_t *rgb)
{
    epeRunLanes(ue, ve, ug, vg, n, rgb);
}

#endif
