#include "flow_statistics.h"

#include "magnitude_pass.h"

#include <algorithm>
#include <cmath>

double FlowStatistics::unknownPercent() const
{
    const std::uint64_t all = known + unknown;
    return all ? 100.0 * double(unknown) / double(all) : 0.0;
}

double FlowStatistics::binLow(int bin) const
{
    return maxMagnitude > 0 ? double(maxMagnitude) * bin / kMagnitudeBins : 0.0;
}

double FlowStatistics::binHigh(int bin) const
{
    return maxMagnitude > 0 ? double(maxMagnitude) * (bin + 1) / kMagnitudeBins : 0.0;
}

std::uint64_t NearestRank(double percentile, std::uint64_t n)
{
    if (n == 0)
        return 0;
    const double x = percentile * double(n) / 100.0;
    const double whole = std::nearbyint(x);
    // P's decimals reach the product with a relative error of a few units of 1e-16.
    std::uint64_t k;
    if (std::fabs(x - whole) <= 1e-14 * x)
        k = whole > 0 ? std::uint64_t(whole) : 0;
    else
        k = x > 0 ? std::uint64_t(std::ceil(x)) : 0;
    return std::clamp<std::uint64_t>(k, 1, n);
}

FlowStatistics ComputeFlowStatistics(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch)
{
    return ComputeFlowStatistics(u, v, rows, cols, scratch, BandPlan());
}

FlowStatistics ComputeFlowStatistics(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch, const BandPlan &plan)
{
    return magnitudes::computeFlowStatistics(magnitudes::chosenMagnitudeKernels(), u, v, rows, cols,
                                             scratch, magnitudes::SelectionTuning(), plan);
}

float PercentileMagnitude(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                          double percentile, MagnitudeScratch &scratch)
{
    return magnitudes::percentileMagnitude(magnitudes::chosenMagnitudeKernels(), u, v, rows, cols,
                                           percentile, scratch);
}

int AutoFlowCutoff(const FlowStatistics &statistics)
{
    if (statistics.known == 0)
        return 0;
    const float largest = std::max({std::fabs(statistics.minU), std::fabs(statistics.maxU),
                                    std::fabs(statistics.minV), std::fabs(statistics.maxV)});
    // Known components are at most 1e9, well inside an int.
    return int(std::ceil(double(largest)));
}
