#include "flow_metrics.h"

#include "eval_kernels.h"
#include "flow_unknown.h"

#include <array>
#include <cmath>
#include <vector>
#include <limits>

namespace {

// The second half's values kept per thread between pairs: those of flows up to 4 megapixels.
constexpr std::size_t kKeptValues = std::size_t(1) << 21;

double percent(std::int64_t part, std::int64_t whole)
{
    return 100.0 * double(part) / double(whole);
}

} // namespace

const double kEpeBounds[9] = {0.25, 0.5, 1, 2, 4, 8, 16, 32, 64};

const std::uint8_t kEpeColors[10][3] = {
    {49, 54, 149},   {69, 117, 180}, {116, 173, 209}, {171, 217, 233}, {224, 243, 248},
    {254, 224, 144}, {253, 174, 97}, {244, 109, 67},  {215, 48, 39},   {165, 0, 38},
};

EvalSums &EvalSums::operator+=(const EvalSums &other)
{
    evaluated += other.evaluated;
    gtKnown += other.gtKnown;
    epe += other.epe;
    angle += other.angle;
    outliers += other.outliers;
    below1 += other.below1;
    below3 += other.below3;
    below5 += other.below5;
    for (int b = 0; b < kSpeedBands; ++b) {
        speedCount[b] += other.speedCount[b];
        speedEpe[b] += other.speedEpe[b];
    }
    matched += other.matched;
    unmatched += other.unmatched;
    matchedEpe += other.matchedEpe;
    unmatchedEpe += other.unmatchedEpe;
    background += other.background;
    foreground += other.foreground;
    bgOutliers += other.bgOutliers;
    fgOutliers += other.fgOutliers;
    return *this;
}

double endPointError(float ue, float ve, float ug, float vg)
{
    const double du = double(ue) - double(ug);
    const double dv = double(ve) - double(vg);
    return std::sqrt(du * du + dv * dv);
}

EvalSums evaluateFlow(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                      const FloatPlane &vg, const EvalMasks &masks, const BandPlan &plan)
{
    // The planes are contiguous rows, so the whole plane is one run in row-major order.
    EvalSums sums;
    const std::size_t n = ug.size();
    if (bandCount(plan, ug.rows(), ug.cols()) < 2) {
        evalkernels::chosenEvalRun()(ue.data(), ve.data(), ug.data(), vg.data(), masks, n, sums);
        return sums;
    }
    // The sums must be added in row-major order to keep their bits: this thread sums the first
    // half as one run would, while another works out each pixel of the second half; their
    // values are then added here, in order. The pixels' square roots and arc cosines are the
    // work; the additions are little.
    const std::size_t split = std::size_t(bandRows(ug.rows(), 2, 1).begin) * std::size_t(ug.cols());
    const std::size_t rest = n - split;
    thread_local std::vector<double> epe, angle;
    thread_local std::vector<std::uint8_t> classes;
    epe.resize(rest);
    angle.resize(rest);
    classes.resize(rest);
    const evalkernels::EvalValues values{epe.data(), angle.data(), classes.data()};
    const EvalMasks second{masks.occluded ? masks.occluded + split : nullptr,
                           masks.foreground ? masks.foreground + split : nullptr};
    EvalSums counts;
    forEachBand(2, [&](int band) {
        if (band == 0)
            evalkernels::chosenEvalRun()(ue.data(), ve.data(), ug.data(), vg.data(), masks, split,
                                         sums);
        else
            evalkernels::chosenEvalValuesRun()(ue.data() + split, ve.data() + split,
                                               ug.data() + split, vg.data() + split, second, rest,
                                               values, counts);
    });
    evalkernels::addEvalValues(values, rest, masks.occluded != nullptr, sums);
    // Its double sums are +0, which change no sum of non-negative numbers.
    sums += counts;
    // A flow far larger than the usual keeps no memory once done.
    if (epe.capacity() > kKeptValues) {
        epe = {};
        angle = {};
        classes = {};
    }
    return sums;
}

void excludePixels(FloatPlane &ug, FloatPlane &vg, const std::uint8_t *mask)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float *u = ug.data();
    float *v = vg.data();
    for (std::size_t i = 0, n = ug.size(); i < n; ++i)
        if (mask[i] != 0)
            u[i] = v[i] = nan;
}

EvalFigures evalFigures(const EvalSums &sums)
{
    const double nan = std::nan("");
    EvalFigures f;
    f.evaluated = sums.evaluated;
    f.coverage = sums.gtKnown > 0 ? percent(sums.evaluated, sums.gtKnown) : nan;
    const auto mean = [nan](double sum, std::int64_t count) {
        return count > 0 ? sum / double(count) : nan;
    };
    for (int b = 0; b < kSpeedBands; ++b)
        f.aeeSpeed[b] = mean(sums.speedEpe[b], sums.speedCount[b]);
    f.aeeMatched = mean(sums.matchedEpe, sums.matched);
    f.aeeUnmatched = mean(sums.unmatchedEpe, sums.unmatched);
    f.flBg = sums.background > 0 ? percent(sums.bgOutliers, sums.background) : nan;
    f.flFg = sums.foreground > 0 ? percent(sums.fgOutliers, sums.foreground) : nan;
    if (sums.evaluated == 0) {
        f.aee = f.aae = f.flAll = f.px1 = f.px3 = f.px5 = nan;
        return f;
    }
    const double n = double(sums.evaluated);
    f.aee = sums.epe / n;
    f.aae = sums.angle / n;
    f.flAll = percent(sums.outliers, sums.evaluated);
    f.px1 = percent(sums.below1, sums.evaluated);
    f.px3 = percent(sums.below3, sums.evaluated);
    f.px5 = percent(sums.below5, sums.evaluated);
    return f;
}

EvalFigures imageMeanFigures(const EvalSums *pairs, std::size_t count)
{
    // Every figure of EvalFigures but evaluated, in one list, so that each is averaged alike.
    const auto figuresOf = [](EvalFigures &f) {
        return std::array<double *, 7 + kSpeedBands + 4>{
            &f.coverage,    &f.aee,         &f.aae,          &f.flAll,   &f.px1,
            &f.px3,         &f.px5,         &f.aeeSpeed[0],  &f.aeeSpeed[1], &f.aeeSpeed[2],
            &f.aeeMatched,  &f.aeeUnmatched, &f.flBg,        &f.flFg};
    };
    EvalFigures mean;
    const auto means = figuresOf(mean);
    std::array<double, means.size()> sum{};
    std::array<std::int64_t, means.size()> had{};
    for (std::size_t i = 0; i < count; ++i) {
        mean.evaluated += pairs[i].evaluated;
        if (pairs[i].evaluated == 0)
            continue;
        EvalFigures f = evalFigures(pairs[i]);
        const auto values = figuresOf(f);
        for (std::size_t k = 0; k < values.size(); ++k)
            if (!std::isnan(*values[k])) {
                sum[k] += *values[k];
                ++had[k];
            }
    }
    for (std::size_t k = 0; k < means.size(); ++k)
        *means[k] = had[k] > 0 ? sum[k] / double(had[k]) : std::nan("");
    return mean;
}

int epeBin(double epe)
{
    int bin = 0;
    for (const double bound : kEpeBounds)
        bin += bound <= epe;
    return bin;
}

PixelPlane epePicture(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                      const FloatPlane &vg)
{
    PixelPlane picture = vek_alloc_3(ug.cols(), ug.rows());
    evalkernels::chosenEpeRun()(ue.data(), ve.data(), ug.data(), vg.data(), ug.size(),
                                picture.data());
    return picture;
}

FloatPlane epeValues(const FloatPlane &ue, const FloatPlane &ve, const FloatPlane &ug,
                     const FloatPlane &vg)
{
    FloatPlane values = vek_alloc_2(ug.rows(), ug.cols());
    for (int y = 0; y < ug.rows(); ++y)
        for (int x = 0; x < ug.cols(); ++x) {
            const float u = ue[y][x], v = ve[y][x], tu = ug[y][x], tv = vg[y][x];
            values[y][x] = isUnknownFlow(u, v) || isUnknownFlow(tu, tv)
                               ? std::numeric_limits<float>::quiet_NaN()
                               : float(endPointError(u, v, tu, tv));
        }
    return values;
}
