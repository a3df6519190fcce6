#ifndef COLOUR_VIEW_H
#define COLOUR_VIEW_H

#include "planes.h"
#include "row_bands.h"

#include <optional>

// The views of a flow in two halves, for a picture made ahead of need: the colour view alone,
// without keeping the clamped planes it is drawn from, and the clamped planes and grey views
// later, when the picture is shown. Together they give every byte RenderScaledFlowViews gives;
// the opening cutoff without the clamped planes is OpeningFlowCutoff's.

// The colour plane RenderScaledFlowViews draws for cutoff and radius.
void RenderColourView(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                      const FloatPlane &flowV, const PixelPlane &color, int rows, int cols,
                      const BandPlan &plan = BandPlan());

// The clamped planes and the grey views RenderScaledFlowViews draws for cutoff, which depend
// on no radius.
void RenderClampedAndGrey(int cutoff, const FloatPlane &flowU, const FloatPlane &flowV,
                          const FloatPlane &clampedU, const FloatPlane &clampedV,
                          const PixelPlane &dimX, const PixelPlane &dimY, int rows, int cols,
                          const BandPlan &plan = BandPlan());

#endif // COLOUR_VIEW_H
