#include "flow_views.h"

#include "exact_cache.h"
#include "flow_to_color.h"
#include "kernel_planes.h"

#include <algorithm>
#include <cmath>
#include <vector>

int rowkernels::initialFlowCutoff(const RowKernels &kernels, const FloatPlane &flowU,
                                  const FloatPlane &flowV, const FloatPlane &clampedU,
                                  const FloatPlane &clampedV, int rows, int cols,
                                  const BandPlan &plan)
{
    const int limit = std::max(rows, cols);
    const double bound = limit;
    const float low = float(-bound);
    const float high = float(bound);

    // The window's rule takes the extremes of both clamped planes and keeps the larger
    // magnitude of the largest and the smallest: the largest |component|, which is found here
    // row by row as the clamp writes it. The clamp leaves no NaN to make the order matter, so
    // neither does that of the bands.
    // Without planes to keep them, the clamped values go through a piece of a row at a time
    // that stays in the cache: the same values, none of the memory traffic.
    constexpr int kPiece = 2048;
    const bool keep = clampedU && clampedV;
    const int bands = bandCount(plan, rows, cols);
    std::vector<float> largestOf(std::size_t(bands), 0.0f);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        std::vector<float> piece(keep ? 0 : 2 * std::size_t(std::min(cols, kPiece)));
        float largest = 0.0f;
        for (int r = range.begin; r < range.end; ++r) {
            for (int c = 0; c < cols; c += kPiece) {
                const int n = std::min(kPiece, cols - c);
                float *cu = keep ? clampedU[r] + c : piece.data();
                float *cv = keep ? clampedV[r] + c : piece.data() + n;
                kernels.clampRow(flowU[r] + c, flowV[r] + c, cu, cv, n, bound, low, high, true);
                largest = std::max({largest, kernels.maxAbsRow(cu, n), kernels.maxAbsRow(cv, n)});
            }
        }
        largestOf[std::size_t(band)] = largest;
    });
    double m = *std::max_element(largestOf.begin(), largestOf.end());
    // The clamp has turned NaN and infinities into the limit; never let one reach the range.
    if (!std::isfinite(m))
        m = limit;
    return int(std::ceil(m));
}

void rowkernels::renderFlowViews(const RowKernels &kernels, int cutoff, const FloatPlane &flowU,
                                 const FloatPlane &flowV, const FlowViewPlanes &out, int rows,
                                 int cols, const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    // At a cutoff of 0 or below the radius comes from the whole clamped field (or everything
    // is black): plane by plane.
    if (cutoff <= 0) {
        clampFlow(kernels, flowU, flowV, out.clampedU, out.clampedV, rows, cols, cutoff, false,
                  plan);
        flowToColor(kernels, cutoff, out.color, out.clampedU, out.clampedV, rows, cols, plan);
        flowToGrey(kernels, cutoff, out.dimX, out.dimY, out.clampedU, out.clampedV, rows, cols,
                   plan);
        return;
    }

    // Otherwise the same three steps a row at a time, while the row is in the cache; each
    // row kernel is what the plane functions run for that row.
    const double bound = cutoff;
    const float low = float(-bound);
    const float high = float(bound);
    const double inverseRadius = 1.0 / CutoffRadius(cutoff);
    const double k = cutoff;
    const double twoK = 2.0 * k;
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        ExactCache cache;
        for (int r = range.begin; r < range.end; ++r) {
            float *cu = out.clampedU[r];
            float *cv = out.clampedV[r];
            kernels.clampRow(flowU[r], flowV[r], cu, cv, cols, bound, low, high, false);
            kernels.colorRow(cu, cv, out.color[r][0], cols, inverseRadius, cache);
            kernels.greyRow(cu, cv, out.dimX[r][0], out.dimY[r][0], cols, k, twoK);
        }
    });
}

int InitialFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, const FloatPlane &clampedU,
                      const FloatPlane &clampedV, int rows, int cols)
{
    return InitialFlowCutoff(flowU, flowV, clampedU, clampedV, rows, cols, BandPlan());
}

int InitialFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, const FloatPlane &clampedU,
                      const FloatPlane &clampedV, int rows, int cols, const BandPlan &plan)
{
    return rowkernels::initialFlowCutoff(rowkernels::chosenKernels(), flowU, flowV, clampedU,
                                         clampedV, rows, cols, plan);
}

int OpeningFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, int rows, int cols,
                      const BandPlan &plan)
{
    return rowkernels::initialFlowCutoff(rowkernels::chosenKernels(), flowU, flowV, nullptr,
                                         nullptr, rows, cols, plan);
}

void RenderFlowViews(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                     const FlowViewPlanes &out, int rows, int cols)
{
    RenderFlowViews(cutoff, flowU, flowV, out, rows, cols, BandPlan());
}

void RenderFlowViews(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                     const FlowViewPlanes &out, int rows, int cols, const BandPlan &plan)
{
    rowkernels::renderFlowViews(rowkernels::chosenKernels(), cutoff, flowU, flowV, out, rows, cols,
                                plan);
}
