#include "magnitude_pass.h"

#include "rank_select.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>

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

    // The first j whose place is at or after index.
    std::uint64_t firstFrom(std::uint64_t index) const
    {
        std::uint64_t low = 0;
        std::uint64_t high = size_;
        while (low < high) {
            const std::uint64_t j = low + (high - low) / 2;
            if (at(j) < index)
                low = j + 1;
            else
                high = j;
        }
        return low;
    }

private:
    std::uint64_t n_;
    std::uint64_t size_;
    std::uint64_t stretch_;
};

// The magnitudes of rows [range) into magnitudes (the whole field's), the places of the sample
// from j on that lie in them taken while their row is still in the cache, and the rows' figures
// added to totals.
void passRows(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v, int cols,
              RowRange range, float *magnitudes, const SamplePlaces &places, std::uint64_t j,
              std::vector<float> &sample, Totals &totals)
{
    for (int r = range.begin; r < range.end; ++r) {
        const std::uint64_t start = std::uint64_t(r) * std::uint64_t(cols);
        float *row = magnitudes + start;
        kernels.row(u[r], v[r], row, cols, totals);
        for (; j < places.size() && places.at(j) < start + std::uint64_t(cols); ++j)
            if (row[places.at(j) - start] != kInf)
                sample.push_back(row[places.at(j) - start]);
    }
    kernels.endRows();
}

// The magnitudes of the planes into scratch.magnitudes, and the sample's known ones into
// scratch.sample.
Totals magnitudePass(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                     int rows, int cols, MagnitudeScratch &scratch, int sampleSize)
{
    const std::uint64_t n = std::uint64_t(rows) * std::uint64_t(cols);
    scratch.magnitudes.resize(std::size_t(n));
    scratch.sample.clear();
    Totals totals;
    passRows(kernels, u, v, cols, {0, rows}, scratch.magnitudes.data(), SamplePlaces(n, sampleSize),
             0, scratch.sample, totals);
    return totals;
}

// The pass in two bands of rows. The first band's totals are those of one thread at its last
// row; the second's hold its rows' figures but for the sums, which depend on where they start.
struct BandTotals {
    Totals first;
    Totals second;
    RowRange secondRows;

    // What the whole field's totals hold but the sums: extremes and counts do not depend on
    // the order, and equal extremes keep the first band's, as one thread keeps the first.
    Totals orderFree() const
    {
        Totals t = first;
        t.known += second.known;
        t.minU = second.minU < t.minU ? second.minU : t.minU;
        t.maxU = second.maxU > t.maxU ? second.maxU : t.maxU;
        t.minV = second.minV < t.minV ? second.minV : t.minV;
        t.maxV = second.maxV > t.maxV ? second.maxV : t.maxV;
        t.maxMagnitude =
            second.maxMagnitude > t.maxMagnitude ? second.maxMagnitude : t.maxMagnitude;
        return t;
    }
};

BandTotals bandedPass(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                      int rows, int cols, MagnitudeScratch &scratch, int sampleSize)
{
    const std::uint64_t n = std::uint64_t(rows) * std::uint64_t(cols);
    scratch.magnitudes.resize(std::size_t(n));
    scratch.sample.clear();
    scratch.bandSample.clear();
    const SamplePlaces places(n, sampleSize);
    BandTotals totals;
    totals.secondRows = bandRows(rows, 2, 1);
    const std::uint64_t secondPlace =
        places.firstFrom(std::uint64_t(totals.secondRows.begin) * std::uint64_t(cols));
    float *magnitudes = scratch.magnitudes.data();
    forEachBand(2, [&](int band) {
        if (band == 0)
            passRows(kernels, u, v, cols, bandRows(rows, 2, 0), magnitudes, places, 0,
                     scratch.sample, totals.first);
        else
            passRows(kernels, u, v, cols, totals.secondRows, magnitudes, places, secondPlace,
                     scratch.bandSample, totals.second);
    });
    // In the order one thread takes it.
    scratch.sample.insert(scratch.sample.end(), scratch.bandSample.begin(),
                          scratch.bandSample.end());
    return totals;
}

// The sums carried on through rows [range) from the totals before them, the magnitudes into
// a row of scratch that stays in the cache: afterwards chain holds every figure as one thread
// leaves it.
void carrySums(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v, int cols,
               RowRange range, MagnitudeScratch &scratch, Totals &chain)
{
    // Off the vector alignment, so that the kernels store normally rather than around the
    // cache: the row is rewritten and never read.
    constexpr std::size_t kLine = 64 / sizeof(float);
    scratch.chainRow.resize(std::size_t(cols) + kLine + 1);
    float *row = scratch.chainRow.data();
    while (reinterpret_cast<std::uintptr_t>(row) % 64 != sizeof(float))
        ++row;
    for (int r = range.begin; r < range.end; ++r)
        kernels.row(u[r], v[r], row, cols, chain);
}

// The rank-th smallest (1-based) known magnitude, selected among all of them.
template <class Magnitudes> float selectAmongAll(Magnitudes &m, std::uint64_t rank)
{
    const auto nth = m.begin() + std::ptrdiff_t(rank - 1);
    std::nth_element(m.begin(), nth, m.end());
    return *nth;
}

// Counts every magnitude of scratch into a tally.
using TallyAll = std::function<void(Tally &)>;

void countBins(const Tally &tally, std::uint64_t *histogram)
{
    for (int b = 0; b < kBins; ++b) {
        histogram[b] = 0;
        for (int k = 0; k < kBinCopies; ++k)
            histogram[b] += tally.binCopies[k][b];
    }
}

// Every known magnitude into the candidates, for selection among all of them.
void selectDirectly(const TallyAll &tallyAll, MagnitudeScratch &scratch, const std::uint64_t *ranks,
                    float *values, int count, Tally &tally, std::uint64_t *histogram)
{
    const auto &m = scratch.magnitudes;
    if (histogram) {
        tallyAll(tally);
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
void ranksAndHistogram(const TallyAll &tallyAll, MagnitudeScratch &scratch, std::uint64_t known,
                       const std::uint64_t *ranks, float *values, int count, double maxMagnitude,
                       std::uint64_t *histogram, const SelectionTuning &tuning)
{
    Tally tally;
    tally.maxMagnitude = maxMagnitude;
    std::vector<float> &sample = scratch.sample;
    if (known <= tuning.directLimit || sample.empty() || count > int(scratch.collected.size())) {
        selectDirectly(tallyAll, scratch, ranks, values, count, tally, histogram);
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
    tallyAll(tally);
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
                values[q] = selectRank(b.inside, r);
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

// The magnitudes counted in pieces by both threads, each into a tally of its own, the second's
// then added to the first's: every count is a sum, and selection finds the same value among
// a bracket's magnitudes in any order. Before it counts, the first thread runs first (when
// given), work no other can share.
void tallyInBands(const MagnitudeKernels &kernels, MagnitudeScratch &scratch, Tally &tally,
                  const std::function<void()> &first)
{
    // 4 MB: enough pieces that the thread that starts late still takes its share.
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    const float *m = scratch.magnitudes.data();
    const std::size_t n = scratch.magnitudes.size();
    std::atomic<std::size_t> next{0};

    Tally second;
    second.maxMagnitude = tally.maxMagnitude;
    second.bracketCount = tally.bracketCount;
    std::vector<Bracket> brackets(std::size_t(tally.bracketCount));
    for (int q = 0; q < tally.bracketCount; ++q) {
        const Bracket &b = tally.brackets[q];
        brackets[std::size_t(q)].low = b.low;
        brackets[std::size_t(q)].high = b.high;
        std::vector<float> &inside = scratch.bandCollected[std::size_t(q)];
        inside.resize(std::max(inside.size(), b.inside.size()));
        brackets[std::size_t(q)].inside.swap(inside);
    }
    second.brackets = brackets.data();

    forEachBand(2, [&](int band) {
        if (band == 0 && first)
            first();
        Tally &mine = band == 0 ? tally : second;
        for (std::size_t at; (at = next.fetch_add(kPiece)) < n;)
            kernels.tally(m + at, std::min(kPiece, n - at), mine);
    });

    for (int b = 0; b < kBins + 1; ++b)
        for (int k = 0; k < kBinCopies; ++k)
            tally.binCopies[k][b] += second.binCopies[k][b];
    for (int q = 0; q < tally.bracketCount; ++q) {
        Bracket &to = tally.brackets[q];
        Bracket &from = brackets[std::size_t(q)];
        to.below += from.below;
        to.atLow += from.atLow;
        to.atHigh += from.atHigh;
        if (to.insideCount + from.insideCount > to.inside.size())
            to.inside.resize(to.insideCount + from.insideCount);
        std::copy(from.inside.begin(), from.inside.begin() + std::ptrdiff_t(from.insideCount),
                  to.inside.begin() + std::ptrdiff_t(to.insideCount));
        to.insideCount += from.insideCount;
        from.inside.swap(scratch.bandCollected[std::size_t(q)]);
    }
}

// The values of the percentiles' ranks among the known magnitudes of totals, and the
// histogram when one is given.
void fillRanks(const TallyAll &tallyAll, MagnitudeScratch &scratch, const Totals &totals,
               const double *percentiles, float *values, int count, std::uint64_t *histogram,
               const SelectionTuning &tuning)
{
    std::uint64_t ranks[2];
    for (int q = 0; q < count; ++q)
        ranks[q] = NearestRank(percentiles[q], totals.known);
    ranksAndHistogram(tallyAll, scratch, totals.known, ranks, values, count,
                      float(totals.maxMagnitude), histogram, tuning);
}

// The figures of the pass and the percentiles' values, through one thread or two. With two, the
// sums are carried through the second band's rows while the magnitudes are counted, or afterwards
// when nothing is counted; without sumsWanted they are left as they are.
Totals passAndRanks(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                    int rows, int cols, MagnitudeScratch &scratch, const SelectionTuning &tuning,
                    const BandPlan &plan, bool sumsWanted, const double *percentiles, float *values,
                    int count, std::uint64_t *histogram)
{
    if (bandCount(plan, rows, cols) < 2) {
        const Totals totals = magnitudePass(kernels, u, v, rows, cols, scratch, tuning.sampleSize);
        if (totals.known > 0) {
            const TallyAll tallyAll = [&](Tally &tally) {
                kernels.tally(scratch.magnitudes.data(), scratch.magnitudes.size(), tally);
            };
            fillRanks(tallyAll, scratch, totals, percentiles, values, count, histogram, tuning);
        }
        return totals;
    }

    const BandTotals bands = bandedPass(kernels, u, v, rows, cols, scratch, tuning.sampleSize);
    Totals chain = bands.first;
    bool carried = !sumsWanted;
    const auto carry = [&] {
        carrySums(kernels, u, v, cols, bands.secondRows, scratch, chain);
        carried = true;
    };
    const Totals orderFree = bands.orderFree();
    if (orderFree.known > 0) {
        const TallyAll tallyAll = [&](Tally &tally) {
            if (carried)
                tallyInBands(kernels, scratch, tally, nullptr);
            else
                tallyInBands(kernels, scratch, tally, carry);
        };
        fillRanks(tallyAll, scratch, orderFree, percentiles, values, count, histogram, tuning);
    }
    if (!carried)
        carry();
    return sumsWanted ? chain : orderFree;
}

} // namespace

FlowStatistics computeFlowStatistics(const MagnitudeKernels &kernels, const FloatPlane &u,
                                     const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch, const SelectionTuning &tuning,
                                     const BandPlan &plan)
{
    FlowStatistics s;
    s.rows = rows;
    s.cols = cols;
    if (rows <= 0 || cols <= 0)
        return s;

    const double percentiles[2] = {50, 99};
    float values[2] = {-1.0f, -1.0f};
    const Totals totals = passAndRanks(kernels, u, v, rows, cols, scratch, tuning, plan, true,
                                       percentiles, values, 2, s.histogram.data());
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
    s.medianMagnitude = values[0];
    s.percentile99Magnitude = values[1];
    return s;
}

float percentileMagnitude(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                          int rows, int cols, double percentile, MagnitudeScratch &scratch,
                          const SelectionTuning &tuning, const BandPlan &plan)
{
    if (rows <= 0 || cols <= 0)
        return -1.0f;
    float value = -1.0f;
    passAndRanks(kernels, u, v, rows, cols, scratch, tuning, plan, false, &percentile, &value, 1,
                 nullptr);
    return value;
}

} // namespace magnitudes
