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

#endif // FLOW_SCALE_H
