#include "flow_pictures.h"

#include "cli_common.h"
#include "flow_format.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_to_color.h"
#include "flow_views.h"

FlowPictures drawFlowFile(const char *path, const ViewChoice &choice, FloReadBuffer *buffer,
                          const BandPlan &plan)
{
    // Through one descriptor, so that a file replaced meanwhile is drawn whole as it was, or
    // refused.
    FlowField flow = *readFlow(path, kInputRule, {buffer, plan});
    const int rows = flow.u.rows();
    const int cols = flow.u.cols();

    FlowPictures pictures;
    pictures.color = vek_alloc_3(cols, rows);
    const int cutoff =
        choice.cutoff >= 0 ? choice.cutoff : OpeningFlowCutoff(flow.u, flow.v, rows, cols, plan);
    pictures.cutoff = cutoff;
    if (choice.percentile > 0) {
        // The viewer's own road for its magnitude scales: the radius, then one routine.
        MagnitudeScratch scratch;
        pictures.radius =
            PercentileMagnitude(flow.u, flow.v, rows, cols, choice.percentile, scratch);
    }
    if (choice.greyViews) {
        pictures.dimX = vek_alloc_3(cols, rows);
        pictures.dimY = vek_alloc_3(cols, rows);
    }
    // Under autoScale the colour view is by the longest known vector of the flow as read.
    if (choice.autoScale)
        FlowToColor(0, pictures.color, flow.u, flow.v, rows, cols);
    const PixelPlane none;
    RenderScaledFlowViews(
        cutoff, pictures.radius, flow.u, flow.v,
        {nullptr, nullptr, choice.autoScale ? none : pictures.color, pictures.dimX, pictures.dimY},
        rows, cols, plan);
    if (choice.autoScale && choice.needRadius) {
        // The longest known vector is the 100th percentile.
        MagnitudeScratch scratch;
        pictures.radius = PercentileMagnitude(flow.u, flow.v, rows, cols, 100, scratch);
    }
    if (choice.keepFlow) {
        pictures.u = std::move(flow.u);
        pictures.v = std::move(flow.v);
    }
    return pictures;
}
