// Vector types and helpers shared by the row kernels, written once for ROW_KERNEL_LANES
// doubles per vector and compiled once per instruction set: each kernel file defines the lane
// count and ROW_KERNEL_TARGET (the function attribute that enables its instructions), then
// includes the kernels.
//
// Everything here has internal linkage. A shared inline function compiled for a newer
// instruction set could otherwise be the copy the linker keeps for every caller.

#ifndef ROW_LANES_H
#define ROW_LANES_H

#ifndef ROW_KERNEL_LANES
#error "define ROW_KERNEL_LANES and ROW_KERNEL_TARGET before including this file"
#endif

#include <immintrin.h>

#include <cstdint>

namespace {

constexpr int kLanes = ROW_KERNEL_LANES;

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
#if ROW_KERNEL_LANES == 8
    return (D)_mm512_mask_sqrt_pd((__m512d)x, 0xff, (__m512d)x);
#elif ROW_KERNEL_LANES == 4
    return (D)_mm256_sqrt_pd((__m256d)x);
#else
    return (D)_mm_sqrt_pd((__m128d)x);
#endif
}

ROW_KERNEL_TARGET inline unsigned laneBits(M m)
{
#if ROW_KERNEL_LANES == 8
    return _mm512_test_epi64_mask((__m512i)m, (__m512i)m);
#elif ROW_KERNEL_LANES == 4
    return unsigned(_mm256_movemask_pd((__m256d)m));
#else
    return unsigned(_mm_movemask_pd((__m128d)m));
#endif
}

// The generic conversion gets split into halves by GCC.
ROW_KERNEL_TARGET inline D toDouble(I x)
{
#if ROW_KERNEL_LANES == 8
    return (D)_mm512_mask_cvtepi32_pd(_mm512_setzero_pd(), 0xff, (__m256i)x);
#elif ROW_KERNEL_LANES == 4
    return (D)_mm256_cvtepi32_pd((__m128i)x);
#else
    return __builtin_convertvector(x, D);
#endif
}

ROW_KERNEL_TARGET inline D widen(F x)
{
#if ROW_KERNEL_LANES == 8
    return (D)_mm512_mask_cvtps_pd(_mm512_setzero_pd(), 0xff, (__m256)x);
#elif ROW_KERNEL_LANES == 4
    return (D)_mm256_cvtps_pd((__m128)x);
#else
    return __builtin_convertvector(x, D);
#endif
}

ROW_KERNEL_TARGET inline F narrow(D x)
{
#if ROW_KERNEL_LANES == 8
    return (F)_mm512_mask_cvtpd_ps(_mm256_setzero_ps(), 0xff, (__m512d)x);
#elif ROW_KERNEL_LANES == 4
    return (F)_mm256_cvtpd_ps((__m256d)x);
#else
    return __builtin_convertvector(x, F);
#endif
}

// Stores kLanes pixels of three bytes, the low three of each lane, as four-byte stores that
// each overwrite the spare byte of the one before; so the byte after the last pixel is
// written too and must belong to the row.
ROW_KERNEL_TARGET inline void storePixelsOverlapping(std::uint8_t *out, I packed)
{
    for (int i = 0; i < kLanes; ++i) {
        const std::uint32_t p = std::uint32_t(packed[i]);
        __builtin_memcpy(out + 3 * i, &p, 4);
    }
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
