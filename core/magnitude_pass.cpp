#include "magnitude_pass.h"

#include <algorithm>
#include <cmath>

namespace magnitudes {

namespace {

constexpr float kInf = __builtin_inff();

// Which magnitudes the sample takes: one from each of size equal stretches of the field, at a
// place of its own within the stretch, so that a pattern repeating with the stretch cannot
// fool it. The places only grow with j.
class SamplePlaces
{
public:
    SamplePlaces(std::uint64_t n, int size)
        : n_(n), size_(std::uint64_t(size)), stretch_(std::max<std::uint64_t>(1, n / size_))
    {}

    std::uint64_t at(std::uint64_t j) const
    {
        std::uint64_t mix = (j + 1) * 0x9e3779b97f4a7c15ull;
        mix ^= mix >> 29;
        return j * n_ / size_ + mix % stretch_;
    }
    std::uint64_t size() const { return size_; }

private:
    std::uint64_t n_;
    std::uint64_t size_;
    std::uint64_t stretch_;
};

// The magnitudes of the planes into scratch.magnitudes, and the sample's known ones, taken
// while their row is still in the cache, into scratch.sample.
Totals magnitudePass(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                     int rows, int cols, MagnitudeScratch &scratch, int sampleSize)
{
    const std::uint64_t n = std::uint64_t(rows) * std::uint64_t(cols);
    auto &out = scratch.magnitudes;
    out.resize(std::size_t(n));
    scratch.sample.clear();
    const SamplePlaces places(n, sampleSize);
    std::uint64_t j = 0;
    Totals totals;
    for (int r = 0; r < rows; ++r) {
        const std::uint64_t start = std::uint64_t(r) * std::uint64_t(cols);
        float *row = out.data() + start;
        kernels.row(u[r], v[r], row, cols, totals);
        for (; j < places.size() && places.at(j) < start + std::uint64_t(cols); ++j)
            if (row[places.at(j) - start] != kInf)
                scratch.sample.push_back(row[places.at(j) - start]);
    }
    kernels.endRows();
    return totals;
}

// The rank-th smallest (1-based) known magnitude, selected among all of them.
template <class Magnitudes> float selectAmongAll(Magnitudes &m, std::uint64_t rank)
{
    const auto nth = m.begin() + std::ptrdiff_t(rank - 1);
    std::nth_element(m.begin(), nth, m.end());
    return *nth;
}

void countBins(const Tally &tally, std::uint64_t *histogram)
{
    for (int b = 0; b < kBins; ++b) {
        histogram[b] = 0;
        for (int k = 0; k < kBinCopies; ++k)
            histogram[b] += tally.binCopies[k][b];
    }
}

// Every known magnitude into the candidates, for selection among all of them.
void selectDirectly(const MagnitudeKernels &kernels, MagnitudeScratch &scratch,
                    const std::uint64_t *ranks, float *values, int count, Tally &tally,
                    std::uint64_t *histogram)
{
    const auto &m = scratch.magnitudes;
    if (histogram) {
        kernels.tally(m.data(), m.size(), tally);
        countBins(tally, histogram);
    }
    std::vector<float> &all = scratch.candidates;
    all.clear();
    for (float x : m)
        if (x != kInf)
            all.push_back(x);
    for (int q = 0; q < count; ++q)
        values[q] = selectAmongAll(all, ranks[q]);
}

// After the pass: each rank's value into values, and the histogram when one is given.
void ranksAndHistogram(const MagnitudeKernels &kernels, MagnitudeScratch &scratch,
                       std::uint64_t known, const std::uint64_t *ranks, float *values, int count,
                       double maxMagnitude, std::uint64_t *histogram, const SelectionTuning &tuning)
{
    Tally tally;
    tally.maxMagnitude = maxMagnitude;
    std::vector<float> &sample = scratch.sample;
    if (known <= tuning.directLimit || sample.empty() || count > int(scratch.collected.size())) {
        selectDirectly(kernels, scratch, ranks, values, count, tally, histogram);
        return;
    }

    // Each rank's bracket: where it falls in the sample, widened by the spread of that place.
    std::vector<Bracket> brackets{std::size_t(count)};
    const double s = double(sample.size());
    for (int q = 0; q < count; ++q) {
        const double p = (double(ranks[q]) - 0.5) / double(known);
        const double margin = tuning.spread * std::sqrt(s * p * (1.0 - p)) + 1.0;
        const double at = p * s;
        const auto low = std::size_t(std::clamp(std::floor(at - margin), 0.0, s - 1));
        const auto high = std::size_t(std::clamp(std::ceil(at + margin), 0.0, s - 1));
        std::nth_element(sample.begin(), sample.begin() + std::ptrdiff_t(low), sample.end());
        brackets[q].low = sample[low];
        std::nth_element(sample.begin(), sample.begin() + std::ptrdiff_t(high), sample.end());
        brackets[q].high = sample[high];
        // Room for what the bracket is expected to hold, in memory kept from call to call.
        std::vector<float> &inside = scratch.collected[std::size_t(q)];
        inside.resize(std::max(
            inside.size(), std::size_t(1.5 * double(high - low + 1) / s * double(known)) + 1024));
        brackets[q].inside.swap(inside);
    }
    tally.brackets = brackets.data();
    tally.bracketCount = count;
    auto &m = scratch.magnitudes;
    kernels.tally(m.data(), m.size(), tally);
    if (histogram)
        countBins(tally, histogram);

    for (int q = 0; q < count; ++q) {
        Bracket &b = brackets[q];
        b.inside.resize(b.insideCount);
        std::uint64_t r = ranks[q];
        bool found = false;
        if (r > b.below) {
            r -= b.below;
            if (r <= b.atLow) {
                values[q] = b.low;
                found = true;
            } else if ((r -= b.atLow) <= b.inside.size()) {
                const auto nth = b.inside.begin() + std::ptrdiff_t(r - 1);
                std::nth_element(b.inside.begin(), nth, b.inside.end());
                values[q] = *nth;
                found = true;
            } else if (r - b.inside.size() <= b.atHigh) {
                values[q] = b.high;
                found = true;
            }
        }
        b.inside.swap(scratch.collected[std::size_t(q)]);
        // Outside its bracket: unlikely, and still exact.
        if (!found)
            values[q] = selectAmongAll(m, ranks[q]);
    }
}

} // namespace

FlowStatistics computeFlowStatistics(const MagnitudeKernels &kernels, const FloatPlane &u,
                                     const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch, const SelectionTuning &tuning)
{
    FlowStatistics s;
    s.rows = rows;
    s.cols = cols;
    if (rows <= 0 || cols <= 0)
        return s;

    const Totals totals = magnitudePass(kernels, u, v, rows, cols, scratch, tuning.sampleSize);
    s.known = totals.known;
    s.unknown = std::uint64_t(rows) * std::uint64_t(cols) - s.known;
    if (s.known == 0)
        return s;

    s.minU = float(totals.minU);
    s.maxU = float(totals.maxU);
    s.minV = float(totals.minV);
    s.maxV = float(totals.maxV);
    double sum = 0;
    for (double laneSum : totals.laneSums)
        sum += laneSum;
    s.meanMagnitude = sum / double(s.known);
    s.maxMagnitude = float(totals.maxMagnitude);

    const std::uint64_t ranks[2] = {NearestRank(50, s.known), NearestRank(99, s.known)};
    float values[2];
    ranksAndHistogram(kernels, scratch, s.known, ranks, values, 2, s.maxMagnitude,
                      s.histogram.data(), tuning);
    s.medianMagnitude = values[0];
    s.percentile99Magnitude = values[1];
    return s;
}

float percentileMagnitude(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                          int rows, int cols, double percentile, MagnitudeScratch &scratch,
                          const SelectionTuning &tuning)
{
    if (rows <= 0 || cols <= 0)
        return -1.0f;
    const Totals totals = magnitudePass(kernels, u, v, rows, cols, scratch, tuning.sampleSize);
    if (totals.known == 0)
        return -1.0f;
    const std::uint64_t rank = NearestRank(percentile, totals.known);
    float value;
    ranksAndHistogram(kernels, scratch, totals.known, &rank, &value, 1, float(totals.maxMagnitude),
                      nullptr, tuning);
    return value;
}

} // namespace magnitudes
