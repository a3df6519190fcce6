// isUnknownFlow's test in double lanes, for the kernels that compute in double; see
// row_lanes.h for how it is compiled once per instruction set.

#ifndef KNOWN_LANES_H
#define KNOWN_LANES_H

#include "flow_unknown.h"
#include "row_lanes.h"

namespace {

// Widening is exact, and NaN fails the comparison here too.
ROW_KERNEL_TARGET inline M knownLanes(D u, D v)
{
    const D limit = splat(double(kUnknownFlowLimit));
    return (absolute(u) <= limit) & (absolute(v) <= limit);
}

} // namespace

#endif // KNOWN_LANES_H
