#include "flow_unknown.h"
#include "plain_kernels.h"

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

float rowkernels::maxAbsRowScalar(const float *x, int n)
{
    float largest = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float a = x[i] < 0 ? -x[i] : x[i];
        largest = a > largest ? a : largest;
    }
    return largest;
}
