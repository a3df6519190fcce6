#include "flow_to_color.h"

#include "exact_cache.h"
#include "flow_scale.h"
#include "flow_unknown.h"
#include "kernel_planes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Length of the longest known vector as a float, or -1 when no vector is known. The maximum
// is taken over squared lengths and rooted once: sqrt is monotonic and correctly rounded,
// so this is the same float as keeping the largest root, at one root per field.
// Each band's own; the largest of the bands' is the field's, whatever their order.
struct Longest {
    bool anyKnown = false;
    double longestSquared = 0.0;
};

Longest longestInRows(const FloatPlane &u, const FloatPlane &v, RowRange range, int cols)
{
    bool anyKnown = false;
    double longestSquared = 0.0;
    for (int r = range.begin; r < range.end; ++r) {
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
    return {anyKnown, longestSquared};
}

float longestKnownVector(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                         const BandPlan &plan)
{
    const int bands = bandCount(plan, rows, cols);
    std::vector<Longest> found(static_cast<std::size_t>(bands));
    forEachBand(bands, [&](int band) {
        found[std::size_t(band)] = longestInRows(u, v, bandRows(rows, bands, band), cols);
    });
    Longest all;
    for (const Longest &f : found) {
        all.anyKnown = all.anyKnown || f.anyKnown;
        all.longestSquared = std::max(all.longestSquared, f.longestSquared);
    }
    return all.anyKnown ? float(std::sqrt(all.longestSquared)) : -1.0f;
}

} // namespace

float CutoffRadius(int cutoff)
{
    // 2 x cutoff^2 in double cannot overflow for any int, and its root fits a float.
    return float(std::sqrt(2.0 * (double(cutoff) * cutoff)));
}

void rowkernels::colourAtRadius(const RowKernels &kernels, float radius, const PixelPlane &out,
                                const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    // Radius 0 (every known vector is zero) leaves the direction undefined, and -1 means
    // nothing is known: either way every pixel is black and the wheel is never consulted.
    if (!(radius > 0.0f)) {
        for (int r = 0; r < rows; ++r)
            std::memset(out[r][0], 0, 3 * std::size_t(cols));
        return;
    }
    // Known components are at most 1e9 and the radius is at least sqrt(2) (from a cutoff) or
    // within a factor of two of the longest known vector (a denormal rounds coarsely), so
    // the normalised components stay far inside the float range; a radius of a magnitude
    // scale leaves longer vectors beyond 1, in the wheel's darker colours.
    const double inverseRadius = 1.0 / radius;
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        ExactCache cache;
        for (int r = range.begin; r < range.end; ++r)
            kernels.colorRow(u[r], v[r], out[r][0], cols, inverseRadius, cache);
    });
}

float rowkernels::flowToColorRadius(int cutoff, const FloatPlane &u, const FloatPlane &v, int rows,
                                    int cols, const BandPlan &plan)
{
    return cutoff > 0 ? CutoffRadius(cutoff) : longestKnownVector(u, v, rows, cols, plan);
}

void rowkernels::flowToColor(const RowKernels &kernels, int cutoff, const PixelPlane &out,
                             const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                             const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return;
    colourAtRadius(kernels, flowToColorRadius(cutoff, u, v, rows, cols, plan), out, u, v, rows,
                   cols, plan);
}

void FlowToColor(int cutoff, const PixelPlane &out, const FloatPlane &u, const FloatPlane &v,
                 int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;
    RenderScaledFlowViews(cutoff,
                          rowkernels::flowToColorRadius(cutoff, u, v, rows, cols, BandPlan()), u, v,
                          {nullptr, nullptr, out, nullptr, nullptr}, rows, cols);
}
