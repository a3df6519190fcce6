#include "flow_to_color.h"

#include "exact_cache.h"
#include "flow_unknown.h"
#include "kernel_planes.h"

#include <cmath>
#include <cstring>

namespace {

// Length of the longest known vector as a float, or -1 when no vector is known. The maximum
// is taken over squared lengths and rooted once: sqrt is monotonic and correctly rounded,
// so this is the same float as keeping the largest root, at one root per field.
float longestKnownVector(const FloatPlane &u, const FloatPlane &v, int rows, int cols)
{
    bool anyKnown = false;
    double longestSquared = 0.0;
    for (int r = 0; r < rows; ++r) {
        const float *ur = u[r];
        const float *vr = v[r];
        for (int c = 0; c < cols; ++c) {
            if (isUnknownFlow(ur[c], vr[c]))
                continue;
            anyKnown = true;
            const double x = ur[c];
            const double y = vr[c];
            const double squared = x * x + y * y;
            if (squared > longestSquared)
                longestSquared = squared;
        }
    }
    return anyKnown ? float(std::sqrt(longestSquared)) : -1.0f;
}

} // namespace

float CutoffRadius(int cutoff)
{
    // 2 x cutoff^2 in double cannot overflow for any int, and its root fits a float.
    return float(std::sqrt(2.0 * (double(cutoff) * cutoff)));
}

void rowkernels::flowToColor(const RowKernels &kernels, int cutoff, const PixelPlane &out,
                             const FloatPlane &u, const FloatPlane &v, int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;

    const float radius = cutoff > 0 ? CutoffRadius(cutoff) : longestKnownVector(u, v, rows, cols);

    // Radius 0 (every known vector is zero) leaves the direction undefined, and -1 means
    // nothing is known: either way every pixel is black and the wheel is never consulted.
    if (!(radius > 0.0f)) {
        for (int r = 0; r < rows; ++r)
            std::memset(out[r][0], 0, 3 * std::size_t(cols));
        return;
    }

    // Known components are at most 1e9 and the radius is at least sqrt(2) (from a cutoff) or
    // within a factor of two of the longest known vector (a denormal rounds coarsely), so
    // the normalised components stay far inside the float range.
    const double inverseRadius = 1.0 / radius;
    ExactCache cache;
    for (int r = 0; r < rows; ++r)
        kernels.colorRow(u[r], v[r], out[r][0], cols, inverseRadius, cache);
}

void FlowToColor(int cutoff, const PixelPlane &out, const FloatPlane &u, const FloatPlane &v,
                 int rows, int cols)
{
    rowkernels::flowToColor(rowkernels::chosenKernels(), cutoff, out, u, v, rows, cols);
}
