#include "eval_arith.h"
#include "eval_kernels.h"

#include "flow_unknown.h"

#include <algorithm>
#include <cmath>

namespace evalkernels {

namespace {

double asinSmall(double t)
{
    // Estrin's scheme, in the order the vector kernels follow: a shorter chain than Horner's.
    const double *c = evalarith::kAsinSeries;
    const double z = t * t;
    const double z2 = z * z;
    const double z4 = z2 * z2;
    const double z8 = z4 * z4;
    double p[12], q[6], o[3];
    for (int j = 0; j < 12; ++j)
        p[j] = c[2 * j] + c[2 * j + 1] * z;
    for (int j = 0; j < 6; ++j)
        q[j] = p[2 * j] + p[2 * j + 1] * z2;
    for (int j = 0; j < 3; ++j)
        o[j] = q[2 * j] + q[2 * j + 1] * z4;
    const double series = o[0] + z8 * (o[1] + z8 * o[2]);
    return t + t * (z * series);
}

} // namespace

double arcCos(double q)
{
    const double a = std::fabs(q);
    if (a <= 0.5)
        return evalarith::kHalfPiHigh - (asinSmall(q) - evalarith::kHalfPiLow);
    // acos(a) = 2 asin(sqrt((1 - a) / 2)), where 1 - a is exact.
    const double r = 2.0 * asinSmall(std::sqrt((1.0 - a) * 0.5));
    return q > 0 ? r : evalarith::kPiHigh - (r - evalarith::kPiLow);
}

double angleDegrees(double ue, double ve, double ug, double vg)
{
    const double dot = 1.0 + ue * ug + ve * vg;
    const double lengths = std::sqrt(1.0 + ue * ue + ve * ve) * std::sqrt(1.0 + ug * ug + vg * vg);
    // Rounding can carry the quotient of two equal vectors just past 1.
    const double cosine = std::clamp(dot / lengths, -1.0, 1.0);
    return arcCos(cosine) * evalarith::kDegreesPerRadian;
}

namespace {

// The figures of one evaluated pixel, as every kernel computes them.
struct PixelFigures {
    double epe;
    double angle;
    bool outlier;
    int band;
};

PixelFigures pixelFigures(double eu, double ev, double gu, double gv)
{
    const double du = eu - gu;
    const double dv = ev - gv;
    const double epe = std::sqrt(du * du + dv * dv);
    const double g = std::sqrt(gu * gu + gv * gv);
    return {epe, angleDegrees(eu, ev, gu, gv),
            epe > evalarith::kOutlierPixels && epe > evalarith::kOutlierShare * g,
            g < kSpeedBandBounds[0] ? 0 : g < kSpeedBandBounds[1] ? 1 : 2};
}

// The counts of one evaluated pixel, i of the run.
void countPixel(const PixelFigures &p, const EvalMasks &masks, std::size_t i, EvalSums &sums)
{
    ++sums.evaluated;
    sums.outliers += p.outlier;
    sums.below1 += p.epe < 1.0;
    sums.below3 += p.epe < 3.0;
    sums.below5 += p.epe < 5.0;
    ++sums.speedCount[p.band];
    if (masks.occluded)
        ++(masks.occluded[i] != 0 ? sums.unmatched : sums.matched);
    if (masks.foreground) {
        const bool foreground = masks.foreground[i] != 0;
        ++(foreground ? sums.foreground : sums.background);
        (foreground ? sums.fgOutliers : sums.bgOutliers) += p.outlier;
    }
}

// Adds one evaluated pixel's EPE and angle to the double sums.
void addPixel(double epe, double angle, int band, bool occlusions, bool occluded, EvalSums &sums)
{
    sums.epe += epe;
    sums.angle += angle;
    sums.speedEpe[band] += epe;
    if (occlusions)
        (occluded ? sums.unmatchedEpe : sums.matchedEpe) += epe;
}

} // namespace

void evalRunPlain(const float *ue, const float *ve, const float *ug, const float *vg,
                  const EvalMasks &masks, std::size_t n, EvalSums &sums)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (isUnknownFlow(ug[i], vg[i]))
            continue;
        ++sums.gtKnown;
        if (isUnknownFlow(ue[i], ve[i]))
            continue;
        const PixelFigures p = pixelFigures(ue[i], ve[i], ug[i], vg[i]);
        countPixel(p, masks, i, sums);
        addPixel(p.epe, p.angle, p.band, masks.occluded != nullptr,
                 masks.occluded && masks.occluded[i] != 0, sums);
    }
}

void evalValuesPlain(const float *ue, const float *ve, const float *ug, const float *vg,
                     const EvalMasks &masks, std::size_t n, const EvalValues &out,
                     EvalSums &counts)
{
    for (std::size_t i = 0; i < n; ++i) {
        out.epe[i] = out.angle[i] = 0;
        out.classes[i] = 0;
        if (isUnknownFlow(ug[i], vg[i]))
            continue;
        ++counts.gtKnown;
        if (isUnknownFlow(ue[i], ve[i]))
            continue;
        const PixelFigures p = pixelFigures(ue[i], ve[i], ug[i], vg[i]);
        countPixel(p, masks, i, counts);
        out.epe[i] = p.epe;
        out.angle[i] = p.angle;
        out.classes[i] = std::uint8_t(kEvaluated | p.band << kBandShift |
                                      (masks.occluded && masks.occluded[i] != 0 ? kOccluded : 0));
    }
}

void addEvalValues(const EvalValues &values, std::size_t n, bool occlusions, EvalSums &sums)
{
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = values.classes[i];
        if (c & kEvaluated)
            addPixel(values.epe[i], values.angle[i], c >> kBandShift & 3, occlusions,
                     (c & kOccluded) != 0, sums);
    }
}

void epeRunPlain(const float *ue, const float *ve, const float *ug, const float *vg, std::size_t n,
                 std::uint8_t *rgb)
{
    for (std::size_t i = 0; i < n; ++i, rgb += 3) {
        if (isUnknownFlow(ug[i], vg[i]) || isUnknownFlow(ue[i], ve[i])) {
            rgb[0] = rgb[1] = rgb[2] = 0;
            continue;
        }
        const std::uint8_t *color = kEpeColors[epeBin(endPointError(ue[i], ve[i], ug[i], vg[i]))];
        rgb[0] = color[0];
        rgb[1] = color[1];
        rgb[2] = color[2];
    }
}

} // namespace evalkernels
