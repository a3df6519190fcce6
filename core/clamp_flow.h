#ifndef CLAMP_FLOW_H
#define CLAMP_FLOW_H

#include "planes.h"

// Clamps each component of the source planes to [-|limit|, |limit|] into the destination
// planes (which may be the sources). With clampAll false an unknown vector, NaN included,
// is copied unchanged so that it stays unknown; with clampAll true it is clamped like any
// other, a NaN component becoming +|limit|.
void ClampFlow(const FloatPlane &srcU, const FloatPlane &srcV, const FloatPlane &dstU,
               const FloatPlane &dstV, int rows, int cols, int limit, bool clampAll);

#endif // CLAMP_FLOW_H
