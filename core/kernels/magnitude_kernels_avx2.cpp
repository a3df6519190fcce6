// x86-64 only; other processors use the plain kernels.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 256
#define ROW_KERNEL_TARGET __attribute__((target("avx2")))
#include "magnitude_lanes.h"

const magnitudes::MagnitudeKernels magnitudes::kAvx2MagnitudeKernels = {
    rowkernels::Isa::Avx2, "avx2", magnitudeRowLanes, fenceStreams, tallyLanes};

#endif
