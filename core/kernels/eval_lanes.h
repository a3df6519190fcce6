// The evaluation's run in vectors; see row_lanes.h for how it is compiled once per instruction
// set. Every lane does eval_plain.cpp's arithmetic in its order; the lanes' errors and angles
// are then added to the sums one pixel after another, as the plain kernel adds them, with 0 for
// a pixel not evaluated or outside a sum's band or mask: adding +0 to a sum of non-negative
// numbers changes no bit.

#ifndef EVAL_LANES_H
#define EVAL_LANES_H

#include "eval_arith.h"
#include "eval_kernels.h"
#include "flow_unknown.h"
#include "known_lanes.h"
#include "row_lanes.h"

#include <cstring>

namespace {

ROW_KERNEL_TARGET inline D loadWide(const float *p)
{
    F f;
    std::memcpy(&f, p, sizeof f);
    return widen(f);
}

ROW_KERNEL_TARGET __attribute__((always_inline)) inline D asinSmallLanes(D t)
{
    const double *c = evalarith::kAsinSeries;
    const D z = t * t;
    const D z2 = z * z;
    const D z4 = z2 * z2;
    const D z8 = z4 * z4;
    D p[12], q[6], o[3];
    for (int j = 0; j < 12; ++j)
        p[j] = splat(c[2 * j]) + splat(c[2 * j + 1]) * z;
    for (int j = 0; j < 6; ++j)
        q[j] = p[2 * j] + p[2 * j + 1] * z2;
    for (int j = 0; j < 3; ++j)
        o[j] = q[2 * j] + q[2 * j + 1] * z4;
    const D series = o[0] + z8 * (o[1] + z8 * o[2]);
    return t + t * (z * series);
}

// arcCos with both of its ranges worked out and the right one chosen per lane.
ROW_KERNEL_TARGET __attribute__((always_inline)) inline D arcCosLanes(D q)
{
    const D a = absolute(q);
    const M small = a <= splat(0.5);
    const D p = asinSmallLanes(select(small, q, squareRoot((splat(1.0) - a) * splat(0.5))));
    const D r = splat(2.0) * p;
    const D large = select(q > splat(0.0), r,
                           splat(evalarith::kPiHigh) - (r - splat(evalarith::kPiLow)));
    return select(small, splat(evalarith::kHalfPiHigh) - (p - splat(evalarith::kHalfPiLow)),
                  large);
}

ROW_KERNEL_TARGET inline int count(M m)
{
    return __builtin_popcount(laneBits(m));
}

// The lanes of kLanes mask bytes that are non-zero, compared as doubles: the comparisons of
// 64-bit integer lanes are not lowered by every compiler for AVX-512F alone.
ROW_KERNEL_TARGET inline M maskLanes(const std::uint8_t *p)
{
#if ROW_KERNEL_BITS == 512
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    const D values = (D)_mm512_maskz_cvtepi32_pd(
        0xFF, _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(std::int64_t(bytes))));
#else
    std::uint32_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    const D values = (D)_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(bytes))));
#endif
    return values != splat(0.0);
}

// The figures of kLanes pixels from i on, as the plain kernel computes each.
struct LaneFigures {
    M truthKnown;
    M evaluated;
    M outlier;
    M band[kSpeedBands];
    M occluded; // all clear without a mask
    D epe;      // 0 where not evaluated
    D angle;    // likewise
};

ROW_KERNEL_TARGET __attribute__((always_inline)) inline LaneFigures
laneFigures(const float *ue, const float *ve, const float *ug, const float *vg,
            const EvalMasks &masks, std::size_t i)
{
    static const double slowBound = evalarith::squareBound(kSpeedBandBounds[0]);
    static const double mediumBound = evalarith::squareBound(kSpeedBandBounds[1]);
    const D one = splat(1.0);
    const D zero = splat(0.0);
    const D eu = loadWide(ue + i), ev = loadWide(ve + i);
    const D gu = loadWide(ug + i), gv = loadWide(vg + i);
    LaneFigures f;
    f.truthKnown = knownLanes(gu, gv);
    f.evaluated = f.truthKnown & knownLanes(eu, ev);

    const D du = eu - gu;
    const D dv = ev - gv;
    f.epe = select(f.evaluated, squareRoot(du * du + dv * dv), zero);

    const D dot = one + eu * gu + ev * gv;
    const D lengths = squareRoot(one + eu * eu + ev * ev) * squareRoot(one + gu * gu + gv * gv);
    D cosine = dot / lengths;
    cosine = select(cosine < -one, -one, cosine);
    cosine = select(one < cosine, one, cosine);
    f.angle =
        select(f.evaluated, arcCosLanes(cosine) * splat(evalarith::kDegreesPerRadian), zero);

    const D g2 = gu * gu + gv * gv;
    // The true motion's length, a square root the divider would spend its time on, matters
    // only beyond 3 pixels of error.
    f.outlier = f.evaluated & (f.epe > splat(evalarith::kOutlierPixels));
    if (laneBits(f.outlier) != 0)
        f.outlier &= f.epe > splat(evalarith::kOutlierShare) * squareRoot(g2);
    // Squares against the least square whose root reaches the edge: the root's own test.
    const M slow = g2 < splat(slowBound);
    const M medium = ~slow & (g2 < splat(mediumBound));
    f.band[0] = f.evaluated & slow;
    f.band[1] = f.evaluated & medium;
    f.band[2] = f.evaluated & ~slow & ~medium;
    f.occluded = masks.occluded ? maskLanes(masks.occluded + i) : M{};
    return f;
}

// The counts of the lanes, as the plain kernel counts each pixel.
ROW_KERNEL_TARGET __attribute__((always_inline)) inline void
countLanes(const LaneFigures &f, const EvalMasks &masks, std::size_t i, EvalSums &sums)
{
    sums.gtKnown += count(f.truthKnown);
    sums.evaluated += count(f.evaluated);
    sums.outliers += count(f.outlier);
    sums.below1 += count(f.evaluated & (f.epe < splat(1.0)));
    sums.below3 += count(f.evaluated & (f.epe < splat(3.0)));
    sums.below5 += count(f.evaluated & (f.epe < splat(5.0)));
    for (int b = 0; b < kSpeedBands; ++b)
        sums.speedCount[b] += count(f.band[b]);
    if (masks.occluded) {
        sums.unmatched += count(f.evaluated & f.occluded);
        sums.matched += count(f.evaluated & ~f.occluded);
    }
    if (masks.foreground) {
        const M foreground = maskLanes(masks.foreground + i);
        sums.foreground += count(f.evaluated & foreground);
        sums.background += count(f.evaluated & ~foreground);
        sums.fgOutliers += count(f.outlier & foreground);
        sums.bgOutliers += count(f.outlier & ~foreground);
    }
}

EvalMasks restOf(const EvalMasks &masks, std::size_t i)
{
    return {masks.occluded ? masks.occluded + i : nullptr,
            masks.foreground ? masks.foreground + i : nullptr};
}

ROW_KERNEL_TARGET void evalRunLanes(const float *ue, const float *ve, const float *ug,
                                    const float *vg, const EvalMasks &masks, std::size_t n,
                                    EvalSums &sums)
{
    const D zero = splat(0.0);
    // Sums held in registers: the planes are floats, so the compiler cannot see that the
    // stores into sums leave them alone.
    double epeSum = sums.epe, angleSum = sums.angle;
    double speedSum[kSpeedBands] = {sums.speedEpe[0], sums.speedEpe[1], sums.speedEpe[2]};
    double matchedSum = sums.matchedEpe, unmatchedSum = sums.unmatchedEpe;
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const LaneFigures f = laneFigures(ue, ve, ug, vg, masks, i);
        countLanes(f, masks, i, sums);
        D bandEpe[kSpeedBands];
        for (int b = 0; b < kSpeedBands; ++b)
            bandEpe[b] = select(f.band[b], f.epe, zero);
        for (int l = 0; l < kLanes; ++l) {
            epeSum += f.epe[l];
            angleSum += f.angle[l];
            speedSum[0] += bandEpe[0][l];
            speedSum[1] += bandEpe[1][l];
            speedSum[2] += bandEpe[2][l];
        }
        if (masks.occluded) {
            const D unmatchedEpe = select(f.occluded, f.epe, zero);
            const D matchedEpe = select(f.occluded, zero, f.epe);
            for (int l = 0; l < kLanes; ++l) {
                matchedSum += matchedEpe[l];
                unmatchedSum += unmatchedEpe[l];
            }
        }
    }
    sums.epe = epeSum;
    sums.angle = angleSum;
    for (int b = 0; b < kSpeedBands; ++b)
        sums.speedEpe[b] = speedSum[b];
    sums.matchedEpe = matchedSum;
    sums.unmatchedEpe = unmatchedSum;
    evalkernels::evalRunPlain(ue + i, ve + i, ug + i, vg + i, restOf(masks, i), n - i, sums);
}

ROW_KERNEL_TARGET void evalValuesLanes(const float *ue, const float *ve, const float *ug,
                                       const float *vg, const EvalMasks &masks, std::size_t n,
                                       const evalkernels::EvalValues &out, EvalSums &counts)
{
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const LaneFigures f = laneFigures(ue, ve, ug, vg, masks, i);
        countLanes(f, masks, i, counts);
        std::memcpy(out.epe + i, &f.epe, sizeof f.epe);
        std::memcpy(out.angle + i, &f.angle, sizeof f.angle);
        for (int l = 0; l < kLanes; ++l) {
            const int band = f.band[1][l] ? 1 : f.band[2][l] ? 2 : 0;
            out.classes[i + std::size_t(l)] =
                f.evaluated[l]
                    ? std::uint8_t(evalkernels::kEvaluated | band << evalkernels::kBandShift |
                                   (f.occluded[l] ? evalkernels::kOccluded : 0))
                    : 0;
        }
    }
    const evalkernels::EvalValues rest{out.epe + i, out.angle + i, out.classes + i};
    evalkernels::evalValuesPlain(ue + i, ve + i, ug + i, vg + i, restOf(masks, i), n - i, rest,
                                 counts);
}

// The bins are counted as endPointError and epeBin count them: the same EPE, the same bounds.
ROW_KERNEL_TARGET void epeRunLanes(const float *ue, const float *ve, const float *ug,
                                   const float *vg, std::size_t n, std::uint8_t *rgb)
{
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes, rgb += 3 * kLanes) {
        const D eu = loadWide(ue + i), ev = loadWide(ve + i);
        const D gu = loadWide(ug + i), gv = loadWide(vg + i);
        const M evaluated = knownLanes(gu, gv) & knownLanes(eu, ev);
        const D du = eu - gu;
        const D dv = ev - gv;
        const D epe = squareRoot(du * du + dv * dv);
        M bin = (M)splat(0.0); // minus the count of bounds at or below the EPE
        for (const double bound : kEpeBounds)
            bin += splat(bound) <= epe;
        for (int l = 0; l < kLanes; ++l) {
            std::uint8_t *out = rgb + 3 * l;
            if (evaluated[l] == 0) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            const std::uint8_t *color = kEpeColors[-bin[l]];
            out[0] = color[0];
            out[1] = color[1];
            out[2] = color[2];
        }
    }
    evalkernels::epeRunPlain(ue + i, ve + i, ug + i, vg + i, n - i, rgb);
}

} // namespace

#endif // EVAL_LANES_H
