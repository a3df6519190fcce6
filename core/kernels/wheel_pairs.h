#ifndef WHEEL_PAIRS_H
#define WHEEL_PAIRS_H

#include "color_wheel.h"

#include <array>
#include <cstdint>

namespace rowkernels {

// The wheel between entries k and k + 1, for k = 0 .. 53 (fk < 54 never needs the wrap), as
// the vector kernels use it. Between any two neighbours exactly one channel changes, and the
// other two stay at 0 or at 255: bits 0-7 hold the changing channel's byte at k, bits 8-15
// at k + 1, bits 16-23 its position in the pixel (0, 8 or 16) and bits 32-55 a mask of 0xff
// at the channels that stay at 255. A pair that broke that rule would carry kIrregularPair,
// and its pixels would go the exact way.
constexpr std::uint64_t kIrregularPair = std::uint64_t(1) << 24;

using WheelPairs = std::array<std::uint64_t, kWheelEntries - 1>;

constexpr WheelPairs describeWheelPairs()
{
    WheelPairs pairs{};
    for (int e = 0; e + 1 < kWheelEntries; ++e) {
        std::uint64_t pair = 0;
        int changing = 0;
        for (int b = 0; b < 3; ++b) {
            const int now = colorWheel[e][b];
            const int next = colorWheel[e + 1][b];
            if (now != next) {
                ++changing;
                pair |= std::uint64_t(now) | std::uint64_t(next) << 8 | std::uint64_t(8 * b) << 16;
            } else if (now == 255) {
                pair |= std::uint64_t(0xff) << (32 + 8 * b);
            } else if (now != 0) {
                changing = 2;
            }
        }
        pairs[std::size_t(e)] = changing == 1 ? pair : kIrregularPair;
    }
    return pairs;
}

inline constexpr WheelPairs wheelPairs = describeWheelPairs();

} // namespace rowkernels

#endif // WHEEL_PAIRS_H
