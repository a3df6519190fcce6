#include "clamp_flow.h"

#include "kernel_planes.h"

#include <cmath>

void rowkernels::clampFlow(const RowKernels &kernels, const FloatPlane &srcU,
                           const FloatPlane &srcV, const FloatPlane &dstU, const FloatPlane &dstV,
                           int rows, int cols, int limit, bool clampAll, const BandPlan &plan)
{
    // In double, |INT_MIN| is exact where the int negation would overflow.
    const double bound = std::fabs(double(limit));
    const float low = float(-bound);
    const float high = float(bound);
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        for (int r = range.begin; r < range.end; ++r)
            kernels.clampRow(srcU[r], srcV[r], dstU[r], dstV[r], cols, bound, low, high, clampAll);
    });
}

void ClampFlow(const FloatPlane &srcU, const FloatPlane &srcV, const FloatPlane &dstU,
               const FloatPlane &dstV, int rows, int cols, int limit, bool clampAll)
{
    rowkernels::clampFlow(rowkernels::chosenKernels(), srcU, srcV, dstU, dstV, rows, cols, limit,
                          clampAll);
}
