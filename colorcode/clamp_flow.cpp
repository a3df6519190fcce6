#include "clamp_flow.h"

#include "flow_unknown.h"

#include <cmath>

namespace {

// NaN fails both comparisons and so ends at the upper bound.
inline float clampComponent(float x, double limit, float low, float high)
{
    if (x <= -limit)
        return low;
    if (x < limit)
        return x;
    return high;
}

} // namespace

void ClampFlow(const FloatPlane &srcU, const FloatPlane &srcV, const FloatPlane &dstU,
               const FloatPlane &dstV, int rows, int cols, int limit, bool clampAll)
{
    // In double, |INT_MIN| is exact where the int negation would overflow.
    const double bound = std::fabs(double(limit));
    const float low = float(-bound);
    const float high = float(bound);

    for (int r = 0; r < rows; ++r) {
        const float *su = srcU[r];
        const float *sv = srcV[r];
        float *du = dstU[r];
        float *dv = dstV[r];
        for (int c = 0; c < cols; ++c) {
            const float x = su[c];
            const float y = sv[c];
            if (!clampAll && isUnknownFlow(x, y)) {
                du[c] = x;
                dv[c] = y;
                continue;
            }
            du[c] = clampComponent(x, bound, low, high);
            dv[c] = clampComponent(y, bound, low, high);
        }
    }
}
