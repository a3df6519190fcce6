// x86-64 only; other processors use the plain row.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 512
#define ROW_KERNEL_TARGET __attribute__((target("avx512f")))
#include "check_lanes.h"

void checkrows::checkRowAvx512(const CheckJob &job, int y)
{
    checkRowAny(job, y);
}

#endif
