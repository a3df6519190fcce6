// x86-64 only; other processors use the plain kernels.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 512
#define ROW_KERNEL_TARGET __attribute__((target("avx512f")))
#include "magnitude_lanes.h"

const magnitudes::MagnitudeKernels magnitudes::kAvx512MagnitudeKernels = {
    rowkernels::Isa::Avx512, "avx512", magnitudeRowLanes, fenceStreams, tallyLanes};

#endif
