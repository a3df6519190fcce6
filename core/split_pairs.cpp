#include "split_pairs.h"

#include <algorithm>
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
// Eight pairs from uv into u and v; shuffles only move bits.
template <bool Stream>
__attribute__((target("avx2"), always_inline)) inline void splitEight(const float *uv, float *u,
                                                                      float *v)
{
    const __m256 a = _mm256_loadu_ps(uv);
    const __m256 b = _mm256_loadu_ps(uv + 8);
    // u0 u1 u4 u5 | u2 u3 u6 u7, then the middle quarters swapped.
    const __m256 us = _mm256_shuffle_ps(a, b, 0x88);
    const __m256 vs = _mm256_shuffle_ps(a, b, 0xdd);
    const __m256 uOut = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(us), 0xd8));
    const __m256 vOut = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(vs), 0xd8));
    if (Stream) {
        // In halves: these need only the 16-byte alignment any two planes of one width share
        // at every column, and lines fill just as whole.
        _mm_stream_ps(u, _mm256_castps256_ps128(uOut));
        _mm_stream_ps(u + 4, _mm256_extractf128_ps(uOut, 1));
        _mm_stream_ps(v, _mm256_castps256_ps128(vOut));
        _mm_stream_ps(v + 4, _mm256_extractf128_ps(vOut, 1));
    } else {
        _mm256_storeu_ps(u, uOut);
        _mm256_storeu_ps(v, vOut);
    }
}

// 256-bit rather than 512-bit even where the wider ones exist: the loop waits on memory
// either way, and cores that split 512-bit work in two would only be slower.
__attribute__((target("avx2"))) void splitPairsAvx2(const float *uv, float *u, float *v, int n,
                                                    PairStores stores)
{
    int i = 0;
    if (stores == PairStores::Streaming) {
        // Streaming stores need aligned addresses: plain ones up to u's next 16-byte
        // boundary, then streaming if v is on one there too.
        const int misaligned = int(reinterpret_cast<std::uintptr_t>(u) % 16 / sizeof(float));
        i = std::min(n, (4 - misaligned) % 4);
        splitPairsPlain(uv, u, v, i);
        if (reinterpret_cast<std::uintptr_t>(v + i) % 16 == 0) {
            for (; i + 8 <= n; i += 8)
                splitEight<true>(uv + 2 * i, u + i, v + i);
        }
    }
    for (; i + 8 <= n; i += 8)
        splitEight<false>(uv + 2 * i, u + i, v + i);
    splitPairsPlain(uv + 2 * i, u + i, v + i, n - i);
}
#endif

} // namespace

void splitPairs(const float *uv, float *u, float *v, int n, PairStores stores)
{
#if defined(__x86_64__)
    static const bool hasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    if (hasAvx2) {
        splitPairsAvx2(uv, u, v, n, stores);
        return;
    }
#endif
    (void)stores;
    splitPairsPlain(uv, u, v, n);
}

void finishPairStores()
{
#if defined(__x86_64__)
    _mm_sfence();
#endif
}
