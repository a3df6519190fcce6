// The SSE forms of the unfilter, compiled once per instruction set: the includer defines
// PNG_LANES_TARGET (a function attribute) and PNG_LANES_AVX2 (0 or 1). A pixel's six bytes
// sit in six 16-bit lanes, so the sums of the Paeth predictor cannot wrap; the two lanes above
// them carry the next pixel's bytes, which are computed and then overwritten.

#ifndef PNG_ROWS_LANES_H
#define PNG_ROWS_LANES_H

#include "png_row_kernels.h"

#include <immintrin.h>

#include <cstring>

namespace {

constexpr std::size_t kPixel = 6;

PNG_LANES_TARGET inline __m128i loadPixel(const std::uint8_t *p)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)),
                             _mm_setzero_si128());
}

PNG_LANES_TARGET inline void storePixel(std::uint8_t *p, __m128i lanes)
{
    _mm_storel_epi64(reinterpret_cast<__m128i *>(p), _mm_packus_epi16(lanes, lanes));
}

PNG_LANES_TARGET inline __m128i absLanes(__m128i x)
{
#if PNG_LANES_AVX2
    return _mm_abs_epi16(x);
#else
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
#endif
}

// x negated where k < 0; where k is 0 the result does not matter to the caller.
PNG_LANES_TARGET inline __m128i signLanes(__m128i x, __m128i k)
{
#if PNG_LANES_AVX2
    return _mm_sign_epi16(x, k);
#else
    const __m128i negative = _mm_cmpgt_epi16(_mm_setzero_si128(), k);
    return _mm_sub_epi16(_mm_xor_si128(x, negative), negative);
#endif
}

// where mask is set, yes, else no
PNG_LANES_TARGET inline __m128i select(__m128i mask, __m128i yes, __m128i no)
{
#if PNG_LANES_AVX2
    return _mm_blendv_epi8(no, yes, mask);
#else
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
#endif
}

PNG_LANES_TARGET void subRow(const std::uint8_t *in, std::uint8_t *out, std::size_t bytes)
{
    __m128i a = _mm_setzero_si128();
    for (std::size_t i = 0; i < bytes; i += kPixel) {
        a = _mm_add_epi8(a, _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + i)));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), a);
    }
}

PNG_LANES_TARGET void upRow(const std::uint8_t *in, const std::uint8_t *prior, std::uint8_t *out,
                            std::size_t bytes)
{
#if PNG_LANES_AVX2
    for (std::size_t i = 0; i < bytes; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(prior + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_add_epi8(x, b));
    }
#else
    for (std::size_t i = 0; i < bytes; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prior + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_add_epi8(x, b));
    }
#endif
}

PNG_LANES_TARGET void averageRow(const std::uint8_t *in, const std::uint8_t *prior,
                                 std::uint8_t *out, std::size_t bytes)
{
    const __m128i low = _mm_set1_epi16(0xff);
    __m128i a = _mm_setzero_si128();
    for (std::size_t i = 0; i < bytes; i += kPixel) {
        const __m128i mean = _mm_srli_epi16(_mm_add_epi16(a, loadPixel(prior + i)), 1);
        a = _mm_and_si128(_mm_add_epi16(loadPixel(in + i), mean), low);
        storePixel(out + i, a);
    }
}

// Each pixel's predictor depends on the one before, so the time goes by the length of that
// chain. With k = b - c, K = |k| and t = a - c negated where k < 0, the predictor is a unless
// -2K < t < K, and then b where t >= -(K / 2), else c: the same choices, ties included, as
// comparing |p - a|, |p - b| and |p - c| (checked for every a, b, c in the tests), with only
// t on the chain and the bounds computed from the row above. Returns the pixel unfiltered
// from its input d.
PNG_LANES_TARGET inline __m128i paethStep(__m128i a, __m128i b, __m128i c, __m128i d)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k = _mm_sub_epi16(b, c);
    const __m128i bigK = absLanes(k);
    const __m128i aBelow = _mm_sub_epi16(zero, _mm_add_epi16(bigK, bigK));
    const __m128i bFrom =
        _mm_sub_epi16(zero, _mm_add_epi16(_mm_srli_epi16(bigK, 1), _mm_set1_epi16(1)));
    const __m128i t = signLanes(_mm_sub_epi16(a, c), k);
    const __m128i notA = _mm_and_si128(_mm_cmpgt_epi16(bigK, t), _mm_cmpgt_epi16(t, aBelow));
    const __m128i bOrC = select(_mm_cmpgt_epi16(t, bFrom), b, c);
    return _mm_and_si128(_mm_add_epi16(d, select(notA, bOrC, a)), _mm_set1_epi16(0xff));
}

PNG_LANES_TARGET void paethRow(const std::uint8_t *in, const std::uint8_t *prior, std::uint8_t *out,
                               std::size_t bytes)
{
    // Left of the first pixel a and c are 0, which makes the predictor b, as defined.
    __m128i a = _mm_setzero_si128();
    __m128i c = _mm_setzero_si128();
    for (std::size_t i = 0; i < bytes; i += kPixel) {
        const __m128i b = loadPixel(prior + i);
        a = paethStep(a, b, c, loadPixel(in + i));
        storePixel(out + i, a);
        c = b;
    }
}

PNG_LANES_TARGET void unfilterRowLanes(int filter, const std::uint8_t *in,
                                       const std::uint8_t *prior, std::uint8_t *out,
                                       std::size_t bytes)
{
    switch (filter) {
    case 0:
        std::memcpy(out, in, bytes);
        break;
    case 1:
        subRow(in, out, bytes);
        break;
    case 2:
        upRow(in, prior, out, bytes);
        break;
    case 3:
        averageRow(in, prior, out, bytes);
        break;
    case 4:
        paethRow(in, prior, out, bytes);
        break;
    default:
        break;
    }
}

} // namespace

#endif // PNG_ROWS_LANES_H
