#include "clamp_flow.h"

#include "flow_unknown.h"
#include "row_kernels.h"

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

void rowkernels::clampRowScalar(const float *su, const float *sv, float *du, float *dv, int cols,
                                double limit, float low, float high, bool clampAll)
{
    for (int c = 0; c < cols; ++c) {
        const float x = su[c];
        const float y = sv[c];
        if (!clampAll && isUnknownFlow(x, y)) {
            du[c] = x;
            dv[c] = y;
            continue;
        }
        du[c] = clampComponent(x, limit, low, high);
        dv[c] = clampComponent(y, limit, low, high);
    }
}

void ClampFlow(const FloatPlane &srcU, const FloatPlane &srcV, const FloatPlane &dstU,
               const FloatPlane &dstV, int rows, int cols, int limit, bool clampAll)
{
    // In double, |INT_MIN| is exact where the int negation would overflow.
    const double bound = std::fabs(double(limit));
    const float low = float(-bound);
    const float high = float(bound);

    const rowkernels::Isa isa = rowkernels::active();
    for (int r = 0; r < rows; ++r)
        rowkernels::clampRow(isa, srcU[r], srcV[r], dstU[r], dstV[r], cols, bound, low, high,
                             clampAll);
}
