#ifndef FLOW_VIEWS_H
#define FLOW_VIEWS_H

#include "planes.h"
#include "row_bands.h"

// The cutoff a flow opens at: the flow clamped to max(rows, cols) with unknown and NaN
// components clamped too, and its largest absolute clamped component rounded up.
int OpeningFlowCutoff(const FloatPlane &flowU, const FloatPlane &flowV, int rows, int cols,
                      const BandPlan &plan = BandPlan());

// The views of a flow at a cutoff, each drawn only where its plane is given (not null): the
// flow clamped to the cutoff (both planes or neither), its colour coding, and its two grey
// views (both or neither).
struct FlowViewPlanes {
    const FloatPlane &clampedU;
    const FloatPlane &clampedV;
    const PixelPlane &color;
    const PixelPlane &dimX;
    const PixelPlane &dimY;
};

#endif // FLOW_VIEWS_H
