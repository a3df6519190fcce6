#include "flow_views.h"

#include "exact_cache.h"
#include "flow_to_color.h"
#include "kernel_planes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

void rowkernels::renderFlowViews(const RowKernels &kernels, int cutoff, std::optional<float> radius,
                                 const FloatPlane &flowU, const FloatPlane &flowV,
                                 const FlowViewPlanes &out, int rows, int cols,
                                 const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    const bool keep = bool(out.clampedU);
    const bool colour = bool(out.color);
    const bool grey = bool(out.dimX);
    // A colour view at a radius is drawn from the flow as read, needing no clamp of its own.
    const bool clamp = keep || grey || (colour && !radius);

    // At a cutoff of 0 or below the radius comes from the whole clamped field (or everything
    // is black): plane by plane.
    if (cutoff <= 0) {
        FloatPlane ownU;
        FloatPlane ownV;
        if (clamp && !keep) {
            ownU = vek_alloc_2(rows, cols);
            ownV = vek_alloc_2(rows, cols);
        }
        const FloatPlane &cu = keep ? out.clampedU : ownU;
        const FloatPlane &cv = keep ? out.clampedV : ownV;
        if (clamp)
            clampFlow(kernels, flowU, flowV, cu, cv, rows, cols, cutoff, false, plan);
        if (colour && radius)
            colourAtRadius(kernels, *radius, out.color, flowU, flowV, rows, cols, plan);
        else if (colour)
            flowToColor(kernels, cutoff, out.color, cu, cv, rows, cols, plan);
        if (grey)
            flowToGrey(kernels, cutoff, out.dimX, out.dimY, cu, cv, rows, cols, plan);
        return;
    }

    // Otherwise the same steps a row at a time, while the row is in the cache; each row kernel
    // is what the plane functions run for that row.
    const double bound = cutoff;
    const float low = float(-bound);
    const float high = float(bound);
    const float colourRadius = radius ? *radius : CutoffRadius(cutoff);
    const bool black = colour && !(colourRadius > 0.0f);
    const double inverseRadius = colourRadius > 0.0f ? 1.0 / colourRadius : 0.0;
    const double k = cutoff;
    const double twoK = 2.0 * k;
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        std::vector<float> scratch(clamp && !keep ? 2 * std::size_t(cols) : 0);
        ExactCache cache;
        for (int r = range.begin; r < range.end; ++r) {
            float *cu = nullptr;
            float *cv = nullptr;
            if (clamp) {
                cu = keep ? out.clampedU[r] : scratch.data();
                cv = keep ? out.clampedV[r] : scratch.data() + cols;
                kernels.clampRow(flowU[r], flowV[r], cu, cv, cols, bound, low, high, false);
            }
            if (black)
                std::memset(out.color[r][0], 0, 3 * std::size_t(cols));
            else if (colour)
                kernels.colorRow(radius ? flowU[r] : cu, radius ? flowV[r] : cv, out.color[r][0],
                                 cols, inverseRadius, cache);
            if (grey)
                kernels.greyRow(cu, cv, out.dimX[r][0], out.dimY[r][0], cols, k, twoK);
        }
    });
}

int OpeningFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, int rows, int cols,
                      const BandPlan &plan)
{
    return rowkernels::initialFlowCutoff(rowkernels::chosenKernels(), flowU, flowV, nullptr,
                                         nullptr, rows, cols, plan);
}
