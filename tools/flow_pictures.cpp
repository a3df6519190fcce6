#include "flow_pictures.h"

#include "colour_view.h"
#include "flo_file.h"
#include "flow_format.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_to_color.h"
#include "flow_views.h"

FlowPictures drawFlowFile(const char *path, const ViewChoice &choice, FloReadBuffer *buffer,
                          const BandPlan &plan)
{
    // The viewer's road through one descriptor, so that a file replaced meanwhile is drawn
    // whole as it was, or refused; any flow format, by name or content.
    const FlowField flow = readFlow(path, buffer, plan);
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
    FloatPlane clampedU;
    FloatPlane clampedV;
    if (choice.greyViews) {
        clampedU = vek_alloc_2(rows, cols);
        clampedV = vek_alloc_2(rows, cols);
        pictures.dimX = vek_alloc_3(cols, rows);
        pictures.dimY = vek_alloc_3(cols, rows);
    }
    if (choice.greyViews && !choice.autoScale) {
        // All three views in one pass over the flow.
        RenderScaledFlowViews(cutoff, pictures.radius, flow.u, flow.v,
                              {clampedU, clampedV, pictures.color, pictures.dimX, pictures.dimY},
                              rows, cols, plan);
    } else {
        // The colour view alone (by the longest known vector of the flow as read under
        // autoScale): without grey views, no clamped planes to fault in and throw away.
        if (choice.autoScale)
            FlowToColor(0, pictures.color, flow.u, flow.v, rows, cols);
        else
            RenderColourView(cutoff, pictures.radius, flow.u, flow.v, pictures.color, rows, cols,
                             plan);
        if (choice.greyViews)
            RenderClampedAndGrey(cutoff, flow.u, flow.v, clampedU, clampedV, pictures.dimX,
                                 pictures.dimY, rows, cols, plan);
    }
    if (choice.autoScale && choice.needRadius) {
        // The longest known vector is the 100th percentile.
        MagnitudeScratch scratch;
        pictures.radius = PercentileMagnitude(flow.u, flow.v, rows, cols, 100, scratch);
    }
    return pictures;
}
