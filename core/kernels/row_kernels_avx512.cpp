// x86-64 only; other processors use the scalar kernels.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 512
#define ROW_KERNEL_TARGET __attribute__((target("avx512f")))
#include "lane_kernels.h"

const rowkernels::RowKernels rowkernels::kAvx512Kernels = laneKernels(Isa::Avx512, "avx512");

#endif
