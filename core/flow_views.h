#ifndef FLOW_VIEWS_H
#define FLOW_VIEWS_H

#include "planes.h"
#include "row_bands.h"

// The two steps the viewer takes with a flow, shared with the batch export so that both draw
// every byte alike. Large flows are worked by two threads, each on its own band of rows, with
// the same bytes as one; a plan says how many (a batch that runs flows side by side may want
// one).

// The cutoff a flow opens at: the flow is clamped to max(rows, cols) with unknown and NaN
// components clamped too (into clampedU/clampedV), and the largest absolute clamped component
// is rounded up.
int InitialFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, const FloatPlane &clampedU,
                      const FloatPlane &clampedV, int rows, int cols);
int InitialFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, const FloatPlane &clampedU,
                      const FloatPlane &clampedV, int rows, int cols, const BandPlan &plan);
// The same cutoff without writing the clamped planes, for callers that draw the views at once
// and so overwrite them anyway.
int OpeningFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, int rows, int cols,
                      const BandPlan &plan = BandPlan());

// The views at a cutoff: the flow clamped to it, its colour coding and its two grey views.
struct FlowViewPlanes {
    const FloatPlane &clampedU;
    const FloatPlane &clampedV;
    const PixelPlane &color;
    const PixelPlane &dimX;
    const PixelPlane &dimY;
};
void RenderFlowViews(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                     const FlowViewPlanes &out, int rows, int cols);
void RenderFlowViews(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                     const FlowViewPlanes &out, int rows, int cols, const BandPlan &plan);

#endif // FLOW_VIEWS_H
