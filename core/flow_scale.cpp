#include "flow_scale.h"

#include "flow_statistics.h"
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
