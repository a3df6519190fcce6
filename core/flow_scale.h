#ifndef FLOW_SCALE_H
#define FLOW_SCALE_H

#include "flow_views.h"
#include "planes.h"

#include <optional>

struct FlowStatistics;

// How the colour view is normalised: by the cutoff (the flow clamped to it, full saturation at
// the corner of the cutoff square), or by a magnitude of the flow as read.
enum class ColourScale { Cutoff, LongestVector, Percentile99 };

// The normalising radius of a magnitude scale: the longest known vector, or the 99th
// percentile of the known magnitudes; -1 when no vector is known. Nothing for Cutoff.
std::optional<float> MagnitudeScaleRadius(ColourScale scale, const FlowStatistics &statistics);

// Colours the flow as read, nothing clamped, normalised by radius: the coding FlowToColor
// gives, with vectors longer than radius in the wheel's darker out-of-range colours. Unknown
// vectors are black, and so is everything for a radius of 0 or below.
void FlowToColorAtRadius(float radius, const PixelPlane &out, const FloatPlane &u,
                         const FloatPlane &v, int rows, int cols);
void FlowToColorAtRadius(float radius, const PixelPlane &out, const FloatPlane &u,
                         const FloatPlane &v, int rows, int cols, const BandPlan &plan);

// RenderFlowViews, except that with a radius the colour view is FlowToColorAtRadius of the flow
// as read; the clamped planes and the grey views still follow the cutoff.
void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols);
void RenderScaledFlowViews(int cutoff, std::optional<float> radius, const FloatPlane &flowU,
                           const FloatPlane &flowV, const FlowViewPlanes &out, int rows, int cols,
                           const BandPlan &plan);

#endif // FLOW_SCALE_H
