// x86-64 only; chosen where the processor has AVX2. Its pixel arithmetic is the SSE form's in
// VEX encoding, which also spares the processor the switch between the two encodings.
#if defined(__x86_64__)

#define PNG_LANES_TARGET __attribute__((target("avx2")))
#define PNG_LANES_AVX2 1
#include "png_rows_lanes.h"
#include "png_rows_plain.h"

#include <limits>

namespace {

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
const PngRowKernels kAvx2PngRows = {Isa::Avx2, "avx2", unfilterRowLanes, kittiFlowRowAvx2};
} // namespace pngkernels

#endif
