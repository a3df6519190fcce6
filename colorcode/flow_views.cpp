#include "flow_views.h"

#include "clamp_flow.h"
#include "flow_to_color.h"
#include "grey_views.h"
#include "plane_minmax.h"

#include <algorithm>
#include <cmath>

int InitialFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, const FloatPlane &clampedU,
                      const FloatPlane &clampedV, int rows, int cols)
{
    const int limit = std::max(rows, cols);
    ClampFlow(flowU, flowV, clampedU, clampedV, rows, cols, limit, true);

    const std::size_t count = std::size_t(rows) * std::size_t(cols);
    float minU, maxU, minV, maxV;
    PlaneMinMax(clampedU.data(), count, minU, maxU);
    PlaneMinMax(clampedV.data(), count, minV, maxV);
    const float hi = maxV > maxU ? maxV : maxU;
    const float lo = minU > minV ? minV : minU;
    double m = std::fabs(hi) < std::fabs(lo) ? std::fabs(lo) : std::fabs(hi);
    // The clamp has turned NaN and infinities into the limit; never let one reach the range.
    if (!std::isfinite(m))
        m = limit;
    return int(std::ceil(m));
}

void RenderFlowViews(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                     const FlowViewPlanes &out, int rows, int cols)
{
    ClampFlow(flowU, flowV, out.clampedU, out.clampedV, rows, cols, cutoff, false);
    FlowToColor(cutoff, out.color, out.clampedU, out.clampedV, rows, cols);
    FlowToGrey(cutoff, out.dimX, out.dimY, out.clampedU, out.clampedV, rows, cols);
}
