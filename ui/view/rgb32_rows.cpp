#include "rgb32_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__)
bool hasAvx2()
{
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has;
}

// Each half of a register takes four pixels' twelve bytes and spreads them to four words.
__attribute__((target("avx2"))) void spreadRow(const std::uint8_t *rgb, std::uint32_t *out,
                                               int cols)
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
    // Back to legacy SSE code below: clear the upper halves first, or it runs many times slower
    // on some processors.
    _mm256_zeroupper();
    rgb32RowPlain(rgb + 3 * x, out + x, cols - x);
}
#endif

} // namespace

void rgb32RowPlain(const std::uint8_t *rgb, std::uint32_t *out, int cols)
{
    for (int x = 0; x < cols; ++x, rgb += 3)
        out[x] = 0xff000000u | std::uint32_t(rgb[0]) << 16 | std::uint32_t(rgb[1]) << 8 | rgb[2];
}

bool rgb32RowAvx2(const std::uint8_t *rgb, std::uint32_t *out, int cols)
{
#if defined(__x86_64__)
    if (!hasAvx2())
        return false;
    spreadRow(rgb, out, cols);
    return true;
#else
    (void)rgb;
    (void)out;
    (void)cols;
    return false;
#endif
}

void rgb32Row(const std::uint8_t *rgb, std::uint32_t *out, int cols)
{
    if (!rgb32RowAvx2(rgb, out, cols))
        rgb32RowPlain(rgb, out, cols);
}
