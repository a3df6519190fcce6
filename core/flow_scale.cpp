#include "flow_scale.h"

#include "flow_statistics.h"
#include "flow_to_color.h"
#include "kernel_planes.h"

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

void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols,
                           const BandPlan &plan)
{
    rowkernels::renderFlowViews(rowkernels::chosenKernels(), cutoff, radius, flowU, flowV, out,
                                rows, cols, plan);
}

FlowPictures DrawFlowPictures(const FloatPlane &u, const FloatPlane &v, const ViewChoice &choice,
                              const BandPlan &plan)
{
    const int rows = u.rows();
    const int cols = u.cols();
    FlowPictures pictures;
    if (choice.colourView)
        pictures.color = vek_alloc_3(cols, rows);
    const int cutoff =
        choice.cutoff >= 0 ? choice.cutoff : OpeningFlowCutoff(u, v, rows, cols, plan);
    pictures.cutoff = cutoff;
    if (choice.percentile > 0) {
        // The viewer's own road for its magnitude scales: the radius, then one routine.
        MagnitudeScratch scratch;
        pictures.radius = PercentileMagnitude(u, v, rows, cols, choice.percentile, scratch);
    }
    if (choice.greyViews) {
        pictures.dimX = vek_alloc_3(cols, rows);
        pictures.dimY = vek_alloc_3(cols, rows);
    }
    // Under autoScale the colour view is by the longest known vector of the flow as read.
    if (choice.autoScale && choice.colourView)
        FlowToColor(0, pictures.color, u, v, rows, cols);
    const PixelPlane none;
    RenderScaledFlowViews(
        cutoff, pictures.radius, u, v,
        {nullptr, nullptr, choice.autoScale ? none : pictures.color, pictures.dimX, pictures.dimY},
        rows, cols, plan);
    if (choice.autoScale && choice.needRadius) {
        // The longest known vector is the 100th percentile.
        MagnitudeScratch scratch;
        pictures.radius = PercentileMagnitude(u, v, rows, cols, 100, scratch);
    }
    return pictures;
}
