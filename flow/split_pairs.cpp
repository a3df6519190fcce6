#include "split_pairs.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

void splitPairsPlain(const float *uv, float *u, float *v, int n)
{
    // As words, never as floats, so that nothing can quiet a signalling NaN.
    const std::uint32_t *in = reinterpret_cast<const std::uint32_t *>(uv);
    for (int i = 0; i < n; ++i) {
        std::memcpy(u + i, in + 2 * i, 4);
        std::memcpy(v + i, in + 2 * i + 1, 4);
    }
}

#if defined(__x86_64__)
// Shuffles only move bits.
__attribute__((target("avx2"))) void splitPairsAvx2(const float *uv, float *u, float *v, int n)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 a = _mm256_loadu_ps(uv + 2 * i);
        const __m256 b = _mm256_loadu_ps(uv + 2 * i + 8);
        // u0 u1 u4 u5 | u2 u3 u6 u7, then the middle quarters swapped.
        const __m256 us = _mm256_shuffle_ps(a, b, 0x88);
        const __m256 vs = _mm256_shuffle_ps(a, b, 0xdd);
        _mm256_storeu_ps(u + i,
                         _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(us), 0xd8)));
        _mm256_storeu_ps(v + i,
                         _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(vs), 0xd8)));
    }
    splitPairsPlain(uv + 2 * i, u + i, v + i, n - i);
}

__attribute__((target("avx512f"))) void splitPairsAvx512(const float *uv, float *u, float *v, int n)
{
    const __m512i evens =
        _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odds =
        _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512i a = _mm512_loadu_si512(uv + 2 * i);
        const __m512i b = _mm512_loadu_si512(uv + 2 * i + 16);
        _mm512_storeu_si512(u + i, _mm512_permutex2var_epi32(a, evens, b));
        _mm512_storeu_si512(v + i, _mm512_permutex2var_epi32(a, odds, b));
    }
    splitPairsAvx2(uv + 2 * i, u + i, v + i, n - i);
}

#endif

} // namespace

void splitPairs(const float *uv, float *u, float *v, int n)
{
#if defined(__x86_64__)
    static const bool hasAvx512 = (__builtin_cpu_init(), __builtin_cpu_supports("avx512f"));
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    if (hasAvx512) {
        splitPairsAvx512(uv, u, v, n);
        return;
    }
    if (hasAvx2) {
        splitPairsAvx2(uv, u, v, n);
        return;
    }
#endif
    splitPairsPlain(uv, u, v, n);
}
