// Vector types and helpers shared by the row kernels, written once and compiled once per
// instruction set: each kernel file defines ROW_KERNEL_BITS (the register width: 256 for
// AVX2, 512 for AVX-512, so 4 or 8 doubles a vector) and ROW_KERNEL_TARGET (the function
// attribute that enables its instructions), then includes the kernels. Without AVX2 the
// plain kernels run: SSE2 has too few ways to move between ints and doubles to beat them.
//
// Everything here has internal linkage. A shared inline function compiled for a newer
// instruction set could otherwise be the copy the linker keeps for every caller.

#ifndef ROW_LANES_H
#define ROW_LANES_H

#ifndef ROW_KERNEL_BITS
#error "define ROW_KERNEL_BITS and ROW_KERNEL_TARGET before including this file"
#endif

#include <immintrin.h>

#include <cstdint>

namespace {

constexpr int kLanes = ROW_KERNEL_BITS / 64;

typedef double D __attribute__((vector_size(8 * kLanes)));
typedef float F __attribute__((vector_size(4 * kLanes)));
typedef std::int32_t I __attribute__((vector_size(4 * kLanes)));
typedef decltype(D{} < D{}) M;
typedef decltype(F{} < F{}) FM;

// Lane by lane rather than D{} + x, which would turn -0.0 into +0.0.
ROW_KERNEL_TARGET inline D splat(double x)
{
    D r;
    for (int i = 0; i < kLanes; ++i)
        r[i] = x;
    return r;
}

ROW_KERNEL_TARGET inline I splatInt(std::int32_t x)
{
    I r;
    for (int i = 0; i < kLanes; ++i)
        r[i] = x;
    return r;
}

ROW_KERNEL_TARGET inline F splatFloat(float x)
{
    F r;
    for (int i = 0; i < kLanes; ++i)
        r[i] = x;
    return r;
}

ROW_KERNEL_TARGET inline D select(M m, D a, D b)
{
    return (D)((m & (M)a) | (~m & (M)b));
}

ROW_KERNEL_TARGET inline I selectInt(I m, I a, I b)
{
    return (m & a) | (~m & b);
}

ROW_KERNEL_TARGET inline F selectFloat(FM m, F a, F b)
{
    return (F)((m & (FM)a) | (~m & (FM)b));
}

ROW_KERNEL_TARGET inline F absoluteFloat(F x)
{
    return (F)((FM)x & 0x7fffffff);
}

ROW_KERNEL_TARGET inline M signBit()
{
    return (M)splat(-0.0);
}

ROW_KERNEL_TARGET inline D absolute(D x)
{
    return (D)((M)x & ~signBit());
}

// The 512-bit intrinsics are used in their masked forms throughout: the plain ones start from
// an undefined register, which trips GCC's uninitialised-use warning.
ROW_KERNEL_TARGET inline D squareRoot(D x)
{
#if ROW_KERNEL_BITS == 512
    return (D)_mm512_mask_sqrt_pd((__m512d)x, 0xff, (__m512d)x);
#else
    return (D)_mm256_sqrt_pd((__m256d)x);
#endif
}

ROW_KERNEL_TARGET inline unsigned laneBits(M m)
{
#if ROW_KERNEL_BITS == 512
    return _mm512_test_epi64_mask((__m512i)m, (__m512i)m);
#else
    return unsigned(_mm256_movemask_pd((__m256d)m));
#endif
}

ROW_KERNEL_TARGET inline unsigned laneBitsInt(I m)
{
#if ROW_KERNEL_BITS == 512
    return unsigned(_mm256_movemask_ps((__m256)m));
#else
    return unsigned(_mm_movemask_ps((__m128)m));
#endif
}

// The generic conversion gets split into halves by GCC.
ROW_KERNEL_TARGET inline D toDouble(I x)
{
#if ROW_KERNEL_BITS == 512
    return (D)_mm512_mask_cvtepi32_pd(_mm512_setzero_pd(), 0xff, (__m256i)x);
#else
    return (D)_mm256_cvtepi32_pd((__m128i)x);
#endif
}

ROW_KERNEL_TARGET inline D widen(F x)
{
#if ROW_KERNEL_BITS == 512
    return (D)_mm512_mask_cvtps_pd(_mm512_setzero_pd(), 0xff, (__m256)x);
#else
    return (D)_mm256_cvtps_pd((__m128)x);
#endif
}

ROW_KERNEL_TARGET inline F narrow(D x)
{
#if ROW_KERNEL_BITS == 512
    return (F)_mm512_mask_cvtpd_ps(_mm256_setzero_ps(), 0xff, (__m512d)x);
#else
    return (F)_mm256_cvtpd_ps((__m256d)x);
#endif
}

// Stores the low three bytes of every lane as kLanes pixels, 3 x kLanes bytes in all.
ROW_KERNEL_TARGET inline void storeBlock(std::uint8_t *out, I packed)
{
#if ROW_KERNEL_BITS == 512
    // Each half drops every fourth byte; the dword permutation closes the gap between them.
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0,
                                          1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    __m256i bytes = _mm256_shuffle_epi8((__m256i)packed, drop);
    bytes = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(bytes));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 16), _mm256_extracti128_si256(bytes, 1));
#else
    const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i bytes = _mm_shuffle_epi8((__m128i)packed, drop);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), bytes);
    const std::int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(bytes, 8));
    __builtin_memcpy(out + 8, &last, 4);
#endif
}

ROW_KERNEL_TARGET inline void storePixels(std::uint8_t *out, I packed, int n)
{
    for (int i = 0; i < n; ++i) {
        const std::uint32_t p = std::uint32_t(packed[i]);
        out[3 * i] = std::uint8_t(p);
        out[3 * i + 1] = std::uint8_t(p >> 8);
        out[3 * i + 2] = std::uint8_t(p >> 16);
    }
}

} // namespace

#endif // ROW_LANES_H
