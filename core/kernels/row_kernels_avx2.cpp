// x86-64 only; other processors use the scalar kernel.
#if defined(__x86_64__)

#define ROW_KERNEL_BITS 256
#define ROW_KERNEL_TARGET __attribute__((target("avx2")))
#include "clamp_grey_lanes.h"
#include "color_lanes.h"

ROW_KERNEL_TARGET void rowkernels::colorRowAvx2(const float *u, const float *v, std::uint8_t *rgb,
                                                int cols, double inverseRadius)
{
    colourRowLanes(u, v, rgb, cols, inverseRadius);
}

ROW_KERNEL_TARGET void rowkernels::fkRowAvx2(const float *fx, const float *fy, double *fk, int n)
{
    fkRowLanes(fx, fy, fk, n);
}

ROW_KERNEL_TARGET void rowkernels::clampRowAvx2(const float *su, const float *sv, float *du,
                                                float *dv, int cols, float limit, float low,
                                                float high, bool clampAll)
{
    clampRowLanes(su, sv, du, dv, cols, limit, low, high, clampAll);
}

ROW_KERNEL_TARGET void rowkernels::greyRowAvx2(const float *u, const float *v, std::uint8_t *dimX,
                                               std::uint8_t *dimY, int cols, double k, double twoK)
{
    greyRowLanes(u, v, dimX, dimY, cols, k, twoK);
}

ROW_KERNEL_TARGET float rowkernels::maxAbsRowAvx2(const float *x, int n)
{
    return maxAbsLanes(x, n);
}

#endif
