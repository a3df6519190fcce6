#include "sequence_scale.h"

#include "cerror.h"
#include "flow_statistics.h"
#include "flow_unknown.h"
#include "flow_views.h"
#include "rank_select.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Non-negative floats have a clear sign bit: 15 bits of exponent and leading fraction.
constexpr int kStretchShift = 16;
constexpr std::size_t kStretches = std::size_t(1) << 15;

std::uint32_t stretchOf(float magnitude)
{
    std::uint32_t bits;
    std::memcpy(&bits, &magnitude, sizeof bits);
    return bits >> kStretchShift;
}

} // namespace

float knownMagnitude(float u, float v)
{
    return float(std::sqrt(double(u) * double(u) + double(v) * double(v)));
}

PooledScale::PooledScale(SequenceScaleKind kind, double percentile)
    : kind_(kind), percentile_(percentile)
{
    if (kind_ == SequenceScaleKind::Percentile)
        counts_.assign(kStretches, 0);
}

bool PooledScale::needsSecondPass() const
{
    return kind_ == SequenceScaleKind::Percentile;
}

FrameScaleFacts PooledScale::facts(const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                                   const BandPlan &plan) const
{
    FrameScaleFacts facts;
    switch (kind_) {
    case SequenceScaleKind::OpeningCutoff:
        facts.openingCutoff = OpeningFlowCutoff(u, v, rows, cols, plan);
        break;
    case SequenceScaleKind::LongestVector: {
        MagnitudeScratch scratch;
        facts.longest = PercentileMagnitude(u, v, rows, cols, 100, scratch);
        break;
    }
    case SequenceScaleKind::Percentile:
        if (!second_)
            facts.counts.assign(kStretches, 0);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < cols; ++x) {
                if (isUnknownFlow(u[y][x], v[y][x]))
                    continue;
                const float m = knownMagnitude(u[y][x], v[y][x]);
                if (!second_)
                    ++facts.counts[stretchOf(m)];
                else if (stretchOf(m) == stretch_)
                    facts.inStretch.push_back(m);
            }
        }
        break;
    }
    return facts;
}

void PooledScale::add(FrameScaleFacts &facts)
{
    cutoff_ = std::max(cutoff_, facts.openingCutoff);
    longest_ = std::max(longest_, facts.longest);
    if (!second_) {
        for (std::size_t i = 0; i < facts.counts.size(); ++i)
            counts_[i] += facts.counts[i];
    } else {
        pooled_.insert(pooled_.end(), facts.inStretch.begin(), facts.inStretch.end());
    }
}

void PooledScale::startSecondPass()
{
    std::uint64_t known = 0;
    for (const std::uint64_t c : counts_)
        known += c;
    rank_ = NearestRank(percentile_, known);
    std::uint64_t below = 0;
    for (std::size_t i = 0; i < counts_.size() && rank_ > 0; ++i) {
        if (below + counts_[i] >= rank_) {
            stretch_ = std::uint32_t(i);
            below_ = below;
            break;
        }
        below += counts_[i];
    }
    second_ = true;
}

SequenceScale PooledScale::result()
{
    SequenceScale scale;
    scale.cutoff = cutoff_;
    switch (kind_) {
    case SequenceScaleKind::OpeningCutoff:
        break;
    case SequenceScaleKind::LongestVector:
        scale.radius = longest_;
        break;
    case SequenceScaleKind::Percentile:
        if (rank_ == 0) {
            scale.radius = -1.0f;
            break;
        }
        // The second pass must meet the same magnitudes as the first.
        if (rank_ <= below_ || rank_ - below_ > pooled_.size())
            throw CError("the flows changed while they were read");
        scale.radius = selectRank(pooled_, rank_ - below_);
        break;
    }
    return scale;
}
