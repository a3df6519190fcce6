// x86-64 only; other processors use the scalar kernels.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 256
#define ROW_KERNEL_TARGET __attribute__((target("avx2")))
#include "lane_kernels.h"

const rowkernels::RowKernels rowkernels::kAvx2Kernels = laneKernels(Isa::Avx2, "avx2");

#endif
