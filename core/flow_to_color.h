#ifndef FLOW_TO_COLOR_H
#define FLOW_TO_COLOR_H

#include "planes.h"

// The normalising radius for a cutoff above 0: the corner of the cutoff square, as a float.
float CutoffRadius(int cutoff);

// Colours rows x cols flow vectors (u, v) into out as red, green, blue. A cutoff above 0
// normalises by the corner of the cutoff square, cutoff x sqrt(2); otherwise by the longest
// known vector. Unknown vectors are black, and so is everything when that radius is 0.
// Keeps no state: any number of threads may colour at once. The viewer's views come from
// RenderScaledFlowViews, which colours by this coding.
void FlowToColor(int cutoff, const PixelPlane &out, const FloatPlane &u, const FloatPlane &v,
                 int rows, int cols);

#endif // FLOW_TO_COLOR_H
