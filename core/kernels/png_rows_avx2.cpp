// x86-64 only; chosen where the processor has AVX2. Its pixel arithmetic is the SSE form's in
// VEX encoding, which also spares the processor the switch between the two encodings.
#if defined(__x86_64__)

#define PNG_LANES_TARGET __attribute__((target("avx2")))
#define PNG_LANES_AVX2 1
#include "png_rows_lanes.h"
#include "png_rows_plain.h"

#include <limits>

namespace {

// Both rows in one register: row 0 in the lower half, row 1 in the upper, two pixels behind,
// so that the pixels of row 0 above and above-left of its pixel were finished two and three
// steps earlier, off the chain from pixel to pixel; every instruction then serves two pixels.
PNG_LANES_TARGET void paethRowPairAvx2(const std::uint8_t *in0, const std::uint8_t *in1,
                                       const std::uint8_t *prior, std::uint8_t *out0,
                                       std::uint8_t *out1, std::size_t bytes)
{
    const std::size_t pixels = bytes / kPixel;
    // Row 0's first two pixels alone.
    const __m128i none = _mm_setzero_si128();
    const __m128i b0 = loadPixel(prior);
    const __m128i first = paethStep(none, b0, none, loadPixel(in0));
    storePixel(out0, first);
    const __m128i b1 = loadPixel(prior + kPixel);
    const __m128i second = paethStep(first, b1, b0, loadPixel(in0 + kPixel));
    storePixel(out0 + kPixel, second);

    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i low = _mm256_set1_epi16(0xff);
    // Left of row 1's first pixel a and c are 0.
    __m256i a = _mm256_zextsi128_si256(second);
    __m256i c = _mm256_zextsi128_si256(b1);
    __m256i done1 = a; // a step back: row 0's pixel x - 1
    __m256i done2 = _mm256_zextsi128_si256(first);
    for (std::size_t x = 2; x < pixels + 2; ++x) {
        // Past row 0's end the lower half works on the slack; what it stores there is junk.
        const std::size_t i0 = kPixel * x;
        const std::size_t i1 = kPixel * (x - 2);
        const __m256i b = _mm256_inserti128_si256(_mm256_castsi128_si256(loadPixel(prior + i0)),
                                                  _mm256_castsi256_si128(done2), 1);
        const __m256i d = _mm256_cvtepu8_epi16(
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(in0 + i0)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in1 + i1))));
        const __m256i k = _mm256_sub_epi16(b, c);
        const __m256i bigK = _mm256_abs_epi16(k);
        const __m256i aBelow = _mm256_sub_epi16(zero, _mm256_add_epi16(bigK, bigK));
        const __m256i bFrom =
            _mm256_sub_epi16(zero, _mm256_add_epi16(_mm256_srli_epi16(bigK, 1), one));
        const __m256i t = _mm256_sign_epi16(_mm256_sub_epi16(a, c), k);
        const __m256i notA =
            _mm256_and_si256(_mm256_cmpgt_epi16(bigK, t), _mm256_cmpgt_epi16(t, aBelow));
        const __m256i bOrC = _mm256_blendv_epi8(c, b, _mm256_cmpgt_epi16(t, bFrom));
        a = _mm256_and_si256(_mm256_add_epi16(d, _mm256_blendv_epi8(a, bOrC, notA)), low);
        const __m256i packed = _mm256_packus_epi16(a, a);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out0 + i0), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out1 + i1),
                         _mm256_extracti128_si256(packed, 1));
        c = b;
        done2 = done1;
        done1 = a;
    }
}

// Four pixels a step: two in each 128-bit half, gathered by one shuffle into 32-bit R0 R1 G0
// G1 and by another into B0 B1 B0 B1, so that B's tests line up with both components.
PNG_LANES_TARGET bool kittiFlowRowAvx2(const std::uint8_t *px, int width, float *u, float *v)
{
    constexpr char z = char(0x80); // a zero byte
    const __m256i components =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 0, z, z, 7, 6, z, z, 3, 2, z, z, 9, 8, z, z));
    const __m256i validity = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(5, 4, z, z, 11, 10, z, z, 5, 4, z, z, 11, 10, z, z));
    const __m256i zero = _mm256_set1_epi32(32768);
    const __m256 perPixel = _mm256_set1_ps(1.0f / 64.0f);
    const __m256 unknown = _mm256_set1_ps(std::numeric_limits<float>::quiet_NaN());
    const __m256i one = _mm256_set1_epi32(1);
    __m256i beyond = _mm256_setzero_si256();
    int x = 0;
    for (; x + 4 <= width; x += 4, px += 24) {
        const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(px + 12),
                                                  reinterpret_cast<const __m128i *>(px));
        const __m256i rg = _mm256_shuffle_epi8(bytes, components);
        const __m256i b = _mm256_shuffle_epi8(bytes, validity);
        beyond = _mm256_or_si256(beyond, _mm256_cmpgt_epi32(b, one));
        // Exact: a whole number below 2^16 times a power of two.
        const __m256 flow = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(rg, zero)), perPixel);
        const __m256 known = _mm256_blendv_ps(
            flow, unknown, _mm256_castsi256_ps(_mm256_cmpeq_epi32(b, _mm256_setzero_si256())));
        // R0 R1 G0 G1 | R2 R3 G2 G3 -> R0 R1 R2 R3 | G0 G1 G2 G3
        const __m256 ordered =
            _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(known), 0xd8));
        _mm_storeu_ps(u + x, _mm256_castps256_ps128(ordered));
        _mm_storeu_ps(v + x, _mm256_extractf128_ps(ordered, 1));
    }
    return _mm256_testz_si256(beyond, beyond) &&
           pngkernels::kittiFlowRowScalar(px, width - x, u + x, v + x);
}

} // namespace

namespace pngkernels {
extern const PngRowKernels kAvx2PngRows;
const PngRowKernels kAvx2PngRows = {Isa::Avx2, "avx2", unfilterRowLanes, paethRowPairAvx2,
                                    kittiFlowRowAvx2};
} // namespace pngkernels

#endif
