#ifndef EXACT_CACHE_H
#define EXACT_CACHE_H

#include <cstdint>

namespace rowkernels {

// The last answers of the exact colour path, keyed by the normalised components' bits (the
// sign of a zero matters on the seam). A flow clamped to a small cutoff repeats its corner
// vectors over whole regions, so a vector the vector kernels cannot settle tends to come
// back many times. Whoever colours makes one for the call and passes it down: no two threads
// ever touch the same answers.
struct ExactCache {
    struct Answer {
        std::uint32_t x;
        std::uint32_t y;
        std::uint8_t rgb[3];
        bool known;
    };
    static constexpr int kSlotBits = 6;
    Answer answers[1 << kSlotBits] = {};
};

} // namespace rowkernels

#endif // EXACT_CACHE_H
