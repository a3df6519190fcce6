#ifndef FLOW_METRICS_H
#define FLOW_METRICS_H

// An estimated flow held against its ground truth: the figures benchmarks report and the EPE
// picture. One implementation serves floweval and the viewer, so that their digits agree.

#include "planes.h"
#include "row_bands.h"

#include <cstdint>
#include <string>

// The ground truth's speed bands, by its length sqrt(u^2 + v^2) in double: [0, 10), [10, 40)
// and [40, infinity).
constexpr int kSpeedBands = 3;
constexpr double kSpeedBandBounds[kSpeedBands - 1] = {10.0, 40.0};

// Sums over the evaluated pixels of one pair or of several, accumulated in double in row-major
// order within a pair. Pooling adds the sums of whole pairs, so that figures over a dataset are
// pixel-weighted and every run prints the same digits, whichever thread took which pair.
struct EvalSums {
    std::int64_t evaluated = 0; // both vectors known
    std::int64_t gtKnown = 0;   // the ground truth's known vectors
    double epe = 0;             // sum of EPE
    double angle = 0;           // sum of angular errors, degrees
    std::int64_t outliers = 0;  // EPE > 3 and EPE > 0.05 |g|
    std::int64_t below1 = 0;    // EPE < 1
    std::int64_t below3 = 0;    // EPE < 3
    std::int64_t below5 = 0;    // EPE < 5
    // The evaluated pixels of each speed band, and their EPE.
    std::int64_t speedCount[kSpeedBands] = {};
    double speedEpe[kSpeedBands] = {};
    // With an occlusion mask: pixels visible in both frames and occluded ones.
    std::int64_t matched = 0;
    std::int64_t unmatched = 0;
    double matchedEpe = 0;
    double unmatchedEpe = 0;
    // With an object map: background and foreground pixels, and their outliers.
    std::int64_t background = 0;
    std::int64_t foreground = 0;
    std::int64_t bgOutliers = 0;
    std::int64_t fgOutliers = 0;

    EvalSums &operator+=(const EvalSums &other);
};

// Per-pixel masks of one pair, row-major like the planes, non-zero where set; null when absent.
struct EvalMasks {
    const std::uint8_t *occluded = nullptr;
    const std::uint8_t *foreground = nullptr;
};

// The figures of a set of sums. Every figure but evaluated and coverage is NaN when no pixel
// was evaluated; coverage is NaN when the ground truth knows no vector.
struct EvalFigures {
    std::int64_t evaluated = 0;
    double coverage = 0; // percent
    double aee = 0;
    double aae = 0;                   // degrees
    double flAll = 0;                 // percent
    double px1 = 0, px3 = 0, px5 = 0; // percent
    double aeeSpeed[kSpeedBands] = {};  // NaN for an empty band
    double aeeMatched = 0;              // NaN when none; likewise below
    double aeeUnmatched = 0;
    double flBg = 0; // percent
    double flFg = 0;
};

// The per-pixel end-point error, in double from the float components.
double endPointError(float ue, float ve, float ug, float vg);

// The sums of one pair. The four planes and the masks have one size; the caller checks it.
// A large pair is worked on two threads under plan, to the bits of one.
EvalSums evaluateFlow(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                      const FloatPlane &vg, const EvalMasks &masks = EvalMasks(),
                      const BandPlan &plan = BandPlan());

// Leaves the pixels set in mask (row-major, non-zero where set) out of every figure: their
// ground truth becomes unknown, so they count neither as evaluated nor as known.
void excludePixels(FloatPlane &ug, FloatPlane &vg, const std::uint8_t *mask);

EvalFigures evalFigures(const EvalSums &sums);

// The per-image mean of pairs' figures: each figure the mean, added in the order given, over
// the pairs that evaluated a pixel and have that figure (not NaN); NaN when none has it.
// evaluated is their sum.
EvalFigures imageMeanFigures(const EvalSums *pairs, std::size_t count);

// The EPE picture's colour bin: the number of bounds (0.25, 0.5, 1, ..., 64) at or below epe.
int epeBin(double epe);
// The ten colours of the bins, blue for small errors to dark red, RGB.
extern const std::uint8_t kEpeColors[10][3];
// The bounds between the bins.
extern const double kEpeBounds[9];

// The end-point error of every pixel as a 32-bit float, NaN where it is not evaluated.
FloatPlane epeValues(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                     const FloatPlane &vg);

// The EPE picture, 3 bytes per pixel: black where a pixel is not evaluated.
PixelPlane epePicture(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                      const FloatPlane &vg);

#endif // FLOW_METRICS_H
