#ifndef FLOW_UNKNOWN_H
#define FLOW_UNKNOWN_H

#include <cmath>

// Components beyond this magnitude mark a vector whose flow is not known. 1e9 is exact in
// float, so the test can stay in single precision.
constexpr float kUnknownFlowLimit = 1e9f;

// Written as "not both known" so that a NaN component, which fails every comparison, is
// unknown too: it must never reach a wheel index or an integer conversion.
inline bool isUnknownFlow(float u, float v)
{
    return !(std::fabs(u) <= kUnknownFlowLimit && std::fabs(v) <= kUnknownFlowLimit);
}

#endif // FLOW_UNKNOWN_H
