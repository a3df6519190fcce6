// The vector RGB888 to RGB32 conversion; see row_lanes.h for how it is compiled.

#ifndef RGB32_LANES_H
#define RGB32_LANES_H

#include "row_kernels.h"
#include "row_lanes.h"

namespace {

// 0xffRRGGBB per pixel, as Qt converts RGB888 to RGB32: each half of a register takes four
// pixels' twelve bytes and spreads them to four words.
ROW_KERNEL_TARGET inline void rgb32RowLanes(const std::uint8_t *rgb, std::uint32_t *out, int cols)
{
    const __m256i spread = _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1, 2,
                                            1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m256i alpha = _mm256_set1_epi32(int(0xff000000u));
    int x = 0;
    // The second load reads sixteen bytes from pixel x + 4, so two pixels must follow the eight.
    for (; x + 10 <= cols; x += 8) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rgb + 3 * x));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rgb + 3 * x + 12));
        const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x),
                            _mm256_or_si256(_mm256_shuffle_epi8(both, spread), alpha));
    }
    rowkernels::rgb32RowScalar(rgb + 3 * x, out + x, cols - x);
}

} // namespace

#endif // RGB32_LANES_H
