// The table entries of one instruction set's vector kernels; see row_lanes.h for how they are
// compiled. Each entry takes any row, and hands the plain kernel what the lanes cannot do.

#ifndef LANE_KERNELS_H
#define LANE_KERNELS_H

#include "clamp_grey_lanes.h"
#include "color_lanes.h"
#include "plain_kernels.h"
#include "row_kernels.h"

namespace {

ROW_KERNEL_TARGET void colorRowEntry(const float *u, const float *v, std::uint8_t *rgb, int cols,
                                     double inverseRadius, rowkernels::ExactCache &cache)
{
    if (cols > 0)
        colourRowLanes(u, v, rgb, cols, inverseRadius, cache);
}

ROW_KERNEL_TARGET void clampRowEntry(const float *su, const float *sv, float *du, float *dv,
                                     int cols, double limit, float low, float high, bool clampAll)
{
    if (cols <= 0)
        return;
    // The lanes compare in float, and beyond 2^24 a float cannot hold every whole number.
    if (limit <= 16777216.0)
        clampRowLanes(su, sv, du, dv, cols, float(limit), low, high, clampAll);
    else
        rowkernels::clampRowScalar(su, sv, du, dv, cols, limit, low, high, clampAll);
}

ROW_KERNEL_TARGET float maxAbsRowEntry(const float *x, int n)
{
    return n > 0 ? maxAbsLanes(x, n) : 0.0f;
}

ROW_KERNEL_TARGET void greyRowEntry(const float *u, const float *v, std::uint8_t *dimX,
                                    std::uint8_t *dimY, int cols, double k, double twoK)
{
    if (cols > 0)
        greyRowLanes(u, v, dimX, dimY, cols, k, twoK);
}

ROW_KERNEL_TARGET void fkRowEntry(const float *fx, const float *fy, double *fk, int n)
{
    fkRowLanes(fx, fy, fk, n);
}

constexpr rowkernels::RowKernels laneKernels(rowkernels::Isa isa, const char *name)
{
    return {isa, name, colorRowEntry, clampRowEntry, maxAbsRowEntry, greyRowEntry, fkRowEntry};
}

} // namespace

#endif // LANE_KERNELS_H
