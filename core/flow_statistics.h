#ifndef FLOW_STATISTICS_H
#define FLOW_STATISTICS_H

#include "cache_line_allocator.h"
#include "planes.h"
#include "row_bands.h"

#include <array>
#include <cstdint>
#include <vector>

constexpr int kMagnitudeBins = 64;

// What a flow field holds. A magnitude is sqrt(u^2 + v^2) in double from the float components
// of a known vector. The median, the 99th percentile and the maximum are nearest-rank values
// of the known magnitudes rounded to float, so the 99th percentile and the maximum are exactly
// the radii of those two magnitude scales.
struct FlowStatistics {
    int rows = 0;
    int cols = 0;
    std::uint64_t known = 0;
    std::uint64_t unknown = 0;
    // Of the known vectors; all 0 when none is known.
    float minU = 0, maxU = 0, minV = 0, maxV = 0;
    double meanMagnitude = 0;
    // -1 when no vector is known.
    float medianMagnitude = -1;
    float percentile99Magnitude = -1;
    float maxMagnitude = -1;
    // Known magnitudes (as floats) counted in 64 bins of equal width from 0 to maxMagnitude:
    // bin i holds [i, i + 1) x maxMagnitude / 64, the last one also the maximum itself. With
    // a maximum of 0 every known vector is in bin 0.
    std::array<std::uint64_t, kMagnitudeBins> histogram{};

    double unknownPercent() const;
    double binLow(int bin) const;
    double binHigh(int bin) const;
};

// Memory a computation of the magnitudes passes through: whoever computes statistics of many
// flows keeps one, so that every computation after the first finds it mapped already. One per
// computation at a time (the second thread of a computation works in the band members).
class MagnitudeScratch
{
public:
    MagnitudeScratch() = default;
    MagnitudeScratch(const MagnitudeScratch &) = delete;
    MagnitudeScratch &operator=(const MagnitudeScratch &) = delete;

    // Working memory; what it holds between calls means nothing.
    std::vector<float, CacheLineAllocator<float>> magnitudes;
    std::vector<float> sample;
    std::vector<float> candidates;
    std::array<std::vector<float>, 2> collected;
    std::vector<float> bandSample;
    std::array<std::vector<float>, 2> bandCollected;
    std::vector<float> chainRow;
};

// All of the above in one pass over the planes, the ranks by selection. Large flows are worked
// by two threads (plan), with the same bits as one.
FlowStatistics ComputeFlowStatistics(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch);
FlowStatistics ComputeFlowStatistics(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch, const BandPlan &plan);

// The nearest rank of percentile (0 < percentile <= 100) among n >= 1 values: ceil(P / 100 x n),
// in [1, n]. A product that is a whole number but for the rounding of P's decimals counts as
// that whole number, so that 57 % of 100 is the 57th value, not the 58th.
std::uint64_t NearestRank(double percentile, std::uint64_t n);

// The percentile's nearest-rank magnitude of the known vectors rounded to float, or -1 when no
// vector is known; the same value ComputeFlowStatistics gives for 50 and 99.
float PercentileMagnitude(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                          double percentile, MagnitudeScratch &scratch);

// The ceiling of the largest magnitude of any component of the known vectors; 0 when none is
// known.
int AutoFlowCutoff(const FlowStatistics &statistics);

#endif // FLOW_STATISTICS_H
