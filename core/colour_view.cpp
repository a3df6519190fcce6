#include "colour_view.h"

#include "clamp_flow.h"
#include "exact_cache.h"
#include "flow_scale.h"
#include "flow_to_color.h"
#include "grey_views.h"
#include "row_kernels.h"

#include <algorithm>
#include <vector>

void RenderColourView(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                      const FloatPlane &flowV, const PixelPlane &color, int rows, int cols,
                      const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    if (radius) {
        FlowToColorAtRadius(*radius, color, flowU, flowV, rows, cols, plan);
        return;
    }
    if (cutoff <= 0) {
        // The radius then comes from the whole clamped field: rare enough to clamp it whole.
        const FloatPlane clampedU = vek_alloc_2(rows, cols);
        const FloatPlane clampedV = vek_alloc_2(rows, cols);
        ClampFlow(flowU, flowV, clampedU, clampedV, rows, cols, cutoff, false);
        FlowToColor(cutoff, color, clampedU, clampedV, rows, cols);
        return;
    }
    const rowkernels::RowKernels &kernels = rowkernels::chosenKernels();
    const double bound = cutoff;
    const float low = float(-bound);
    const float high = float(bound);
    const double inverseRadius = 1.0 / CutoffRadius(cutoff);
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        std::vector<float> cu(static_cast<std::size_t>(cols));
        std::vector<float> cv(cu.size());
        rowkernels::ExactCache cache;
        for (int r = range.begin; r < range.end; ++r) {
            kernels.clampRow(flowU[r], flowV[r], cu.data(), cv.data(), cols, bound, low, high,
                             false);
            kernels.colorRow(cu.data(), cv.data(), color[r][0], cols, inverseRadius, cache);
        }
    });
}

void RenderClampedAndGrey(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                          const FloatPlane &clampedU, const FloatPlane &clampedV,
                          const PixelPlane &dimX, const PixelPlane &dimY, int rows, int cols,
                          const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    if (cutoff <= 0) {
        ClampFlow(flowU, flowV, clampedU, clampedV, rows, cols, cutoff, false);
        FlowToGrey(cutoff, dimX, dimY, clampedU, clampedV, rows, cols);
        return;
    }
    // A row at a time while it is in the cache, as RenderFlowViews draws them.
    const rowkernels::RowKernels &kernels = rowkernels::chosenKernels();
    const double bound = cutoff;
    const float low = float(-bound);
    const float high = float(bound);
    const double k = cutoff;
    const double twoK = 2.0 * k;
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        for (int r = range.begin; r < range.end; ++r) {
            kernels.clampRow(flowU[r], flowV[r], clampedU[r], clampedV[r], cols, bound, low, high,
                             false);
            kernels.greyRow(clampedU[r], clampedV[r], dimX[r][0], dimY[r][0], cols, k, twoK);
        }
    });
}
