#ifndef FLOW_SCALE_H
#define FLOW_SCALE_H

#include "flow_views.h"
#include "planes.h"
#include "row_bands.h"

#include <optional>

struct FlowStatistics;

// How the colour view is normalised: by the cutoff (the flow clamped to it, full saturation at
// the corner of the cutoff square), or by a magnitude of the flow as read.
enum class ColourScale { Cutoff, LongestVector, Percentile99 };

// The normalising radius of a magnitude scale: the longest known vector, or the 99th
// percentile of the known magnitudes; -1 when no vector is known. Nothing for Cutoff.
std::optional<float> MagnitudeScaleRadius(ColourScale scale, const FlowStatistics &statistics);

// Draws the views of a flow into those of out's planes that are given, the one routine the
// viewer and the tools draw with:
// - the clamped planes and the grey views always follow the cutoff, as ClampFlow clamps;
// - without a radius the colour view is FlowToColor of the flow clamped to the cutoff;
// - with one it is FlowToColor's coding of the flow as read, normalised by radius: vectors
//   longer than radius in the wheel's darker out-of-range colours, everything black for a
//   radius of 0 or below.
// Large flows are worked in the bands of rows of plan, each on its own thread, with the same
// bytes as one.
void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols,
                           const BandPlan &plan = BandPlan());

// How a picture-maker chooses the colour view's normalisation, as flo2png's options do.
struct ViewChoice {
    int cutoff = -1;         // the cutoff to draw at; below 0, the one the viewer opens at
    bool autoScale = false;  // colour view by the longest known vector of the unclamped flow
    double percentile = 0;   // above 0: colour view by this percentile of the magnitudes
    bool needRadius = false; // also find the radius autoScale colours by, for a legend
    bool greyViews = true;   // draw the two grey component views too
    bool colourView = true;  // draw the colour view; without it only what greyViews asks
};

// The colour view and the two grey component views of one flow, byte for byte as the viewer
// draws them. The grey views are drawn at the chosen cutoff, or the opening one with autoScale.
struct FlowPictures {
    PixelPlane color; // empty unless the colour view was asked for
    PixelPlane dimX;  // empty unless the grey views were asked for
    PixelPlane dimY;
    int cutoff = 0;              // the grey views', and the colour view's without a radius
    std::optional<float> radius; // the colour view's normalising radius under a magnitude scale
};

// Draws the views choice asks for of the flow (u, v), in the bands of plan. Throws
// std::bad_alloc.
FlowPictures DrawFlowPictures(const FloatPlane &u, const FloatPlane &v, const ViewChoice &choice,
                              const BandPlan &plan = BandPlan());

#endif // FLOW_SCALE_H
