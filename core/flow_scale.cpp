#include "flow_scale.h"

#include "exact_cache.h"
#include "flow_statistics.h"
#include "kernel_planes.h"

#include <cstring>

namespace {

// One row coloured at radius, through the same kernel FlowToColor runs.
void colourRowAtRadius(const rowkernels::RowKernels &kernels, float radius, const float *u,
                       const float *v, std::uint8_t *rgb, int cols, rowkernels::ExactCache &cache)
{
    if (!(radius > 0.0f)) {
        std::memset(rgb, 0, 3 * std::size_t(cols));
        return;
    }
    kernels.colorRow(u, v, rgb, cols, 1.0 / radius, cache);
}

void colourAtRadius(const rowkernels::RowKernels &kernels, float radius, const PixelPlane &out,
                    const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                    const BandPlan &plan)
{
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        rowkernels::ExactCache cache;
        for (int r = range.begin; r < range.end; ++r)
            colourRowAtRadius(kernels, radius, u[r], v[r], out[r][0], cols, cache);
    });
}

} // namespace

std::optional<float> MagnitudeScaleRadius(ColourScale scale, const FlowStatistics &statistics)
{
    switch (scale) {
    case ColourScale::Cutoff:
        break;
    case ColourScale::LongestVector:
        return statistics.maxMagnitude;
    case ColourScale::Percentile99:
        return statistics.percentile99Magnitude;
    }
    return std::nullopt;
}

void FlowToColorAtRadius(float radius, const PixelPlane &out, const FloatPlane &u,
                         const FloatPlane &v, int rows, int cols)
{
    FlowToColorAtRadius(radius, out, u, v, rows, cols, BandPlan());
}

void FlowToColorAtRadius(float radius, const PixelPlane &out, const FloatPlane &u,
                         const FloatPlane &v, int rows, int cols, const BandPlan &plan)
{
    colourAtRadius(rowkernels::chosenKernels(), radius, out, u, v, rows, cols, plan);
}

void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols)
{
    RenderScaledFlowViews(cutoff, radius, flowU, flowV, out, rows, cols, BandPlan());
}

void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols,
                           const BandPlan &plan)
{
    const rowkernels::RowKernels &kernels = rowkernels::chosenKernels();
    if (!radius) {
        rowkernels::renderFlowViews(kernels, cutoff, flowU, flowV, out, rows, cols, plan);
        return;
    }
    if (rows <= 0 || cols <= 0)
        return;
    if (cutoff <= 0) {
        rowkernels::clampFlow(kernels, flowU, flowV, out.clampedU, out.clampedV, rows, cols, cutoff,
                              false, plan);
        rowkernels::flowToGrey(kernels, cutoff, out.dimX, out.dimY, out.clampedU, out.clampedV,
                               rows, cols, plan);
        colourAtRadius(kernels, *radius, out.color, flowU, flowV, rows, cols, plan);
        return;
    }

    // A row at a time while it is in the cache, with the row kernels the plane functions run.
    const double bound = cutoff;
    const float low = float(-bound);
    const float high = float(bound);
    const double k = cutoff;
    const double twoK = 2.0 * k;
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        rowkernels::ExactCache cache;
        for (int r = range.begin; r < range.end; ++r) {
            float *cu = out.clampedU[r];
            float *cv = out.clampedV[r];
            kernels.clampRow(flowU[r], flowV[r], cu, cv, cols, bound, low, high, false);
            colourRowAtRadius(kernels, *radius, flowU[r], flowV[r], out.color[r][0], cols, cache);
            kernels.greyRow(cu, cv, out.dimX[r][0], out.dimY[r][0], cols, k, twoK);
        }
    });
}
