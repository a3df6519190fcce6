#include "rank_select.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Fewer values are selected among directly.
constexpr std::size_t kDirect = 4096;
constexpr int kBucketBits = 11;

std::uint32_t bitsOf(float x)
{
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

} // namespace

float selectRank(std::vector<float> &values, std::uint64_t rank)
{
    auto begin = values.begin();
    auto end = values.end();
    while (std::size_t(end - begin) > kDirect) {
        std::uint32_t low = ~0u;
        std::uint32_t high = 0;
        for (auto it = begin; it != end; ++it) {
            low = std::min(low, bitsOf(*it));
            high = std::max(high, bitsOf(*it));
        }
        int shift = 0;
        while (((high - low) >> shift) >= (1u << kBucketBits))
            ++shift;
        if (high == low)
            return *begin;
        std::array<std::uint64_t, (1u << kBucketBits)> counts{};
        for (auto it = begin; it != end; ++it)
            ++counts[(bitsOf(*it) - low) >> shift];
        std::uint32_t bucket = 0;
        while (rank > counts[bucket])
            rank -= counts[bucket++];
        // The bucket's values to the front; the rank is now among them.
        end = std::partition(begin, end,
                             [&](float x) { return ((bitsOf(x) - low) >> shift) == bucket; });
        // A bucket one bit pattern wide holds equal values only.
        if (shift == 0)
            return *begin;
    }
    const auto nth = begin + std::ptrdiff_t(rank - 1);
    std::nth_element(begin, nth, end);
    return *nth;
}
