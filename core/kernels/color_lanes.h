// The vector colour kernel; see row_lanes.h for how it is compiled.
//
// Why the bytes are exact. The kernel computes the plain formula's quantities with one
// approximation, the angle, so fk' may differ from the exact fk; and it evaluates the
// channels in an order of its own. The bound (see the polynomial below) gives
// |fk' - fk| < 2.3e-9, far below kFkMargin. Then:
//  - k0: if f' = fk' - k0' lies in (kFkMargin, 1 - kFkMargin), fk lies in (k0', k0' + 1), so
//    k0 = k0'. Both subtractions fk - k0 are exact (Sterbenz, or k0 = 0), so |f' - f| equals
//    |fk' - fk|.
//  - channels: between two neighbouring wheel entries exactly one channel changes; the others
//    stay at 0 or 255 (wheelPairs), and their bytes do not depend on f: a channel at 0 gives
//    the plain formula's (1 - rad) x 255 when fading, computed the same way, and 0 when
//    darkened; one at 255 gives col > 1 for every f (the float 1/255 is above the true
//    value by 5.9e-8, far more than the roundings), so 255 when fading and
//    191.25001 -> 191 when darkened.
//  - the changing channel: col = (1 - f) col0 + f col1 = col0 + f (col1 - col0) moves by
//    |col1 - col0| |f' - f|. The fading 1 - rad (1 - col) (rad <= 1) or the 0.75 cannot
//    enlarge that, and 255 scales it. The roundings of both evaluations, the plain formula's
//    and this kernel's, add at most 2.3e-13 and 1.7e-13 to the value before truncation. So
//    that value lies within 255 |col1 - col0| kFkMargin + 4e-13 of the exact one, the
//    margin computed per lane from the step between the wheel bytes. If both ends of that
//    interval truncate alike, so does the exact value, which is never negative. The ends'
//    own rounding, 2.9e-14, is well inside the slack.
//  - radius 0 gives white whatever the angle: 1 - 0 x (1 - col) is 1.
// Any pixel that meets none of these goes through colorPixelExact, as does one whose radius
// is not finite. Unknown vectors are black.

#ifndef COLOR_LANES_H
#define COLOR_LANES_H

#include "color_bounds.h"
#include "exact_cache.h"
#include "flow_unknown.h"
#include "plain_kernels.h"
#include "row_lanes.h"
#include "wheel_pairs.h"

namespace {

// The same single-precision constants as the plain formula.
constexpr double kInversePi = double(0.31830987f);
constexpr double kInverse255 = double(0.0039215689f);

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = 1.57079632679489661923;
constexpr double kQuarterPi = 0.78539816339744830962;
constexpr double kTanEighthPi = 0.41421356237309504880;

// atan(t) ~ t x P(t^2) on |t| <= tan(pi/8) + 0.001: a Chebyshev fit whose largest error, with
// these double coefficients and evaluated in double, is 2.34e-10 (checked on a fine grid; the
// tests bound the whole angle against atan2). With the roundings of the reduction, the
// quadrant steps and the scaling to fk, |fk' - fk| < 27 / pi x 2.4e-10 + 3e-14 < 2.3e-9.
constexpr int kAtanTerms = 6;
constexpr double kAtanPoly[kAtanTerms] = {-0.06014993888853727, 0.10565434923801292,
                                          -0.1423894208763345,  0.19998151102273165,
                                          -0.3333330629957265,  0.9999999993540133};

// The pair descriptions of wheelPairs for every lane, as their low and high words.
ROW_KERNEL_TARGET inline void wheelPairsAt(I index, I &low, I &high)
{
    typedef std::int64_t Q __attribute__((vector_size(8 * kLanes)));
#if ROW_KERNEL_BITS == 512
    const Q pairs = (Q)_mm512_mask_i32gather_epi64(_mm512_setzero_si512(), 0xff, (__m256i)index,
                                                   rowkernels::wheelPairs.data(), 8);
#else
    const Q pairs = (Q)_mm256_i32gather_epi64(
        reinterpret_cast<const long long *>(rowkernels::wheelPairs.data()), (__m128i)index, 8);
#endif
    low = __builtin_convertvector(pairs & 0xffffffff, I);
    high = __builtin_convertvector(pairs >> 32, I);
}

// Each lane's low byte copied into the two bytes above it.
ROW_KERNEL_TARGET inline I spreadLowByte(I x)
{
#if ROW_KERNEL_BITS == 512
    const __m256i pattern = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
                                             0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
    return (I)_mm256_shuffle_epi8((__m256i)x, pattern);
#else
    const __m128i pattern = _mm_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
    return (I)_mm_shuffle_epi8((__m128i)x, pattern);
#endif
}

// fk' = ((a + 1) x 54) x 0.5 with a = atan2(-y, -x) x (1/pi), for x, y finite and not both
// zero. The angle is reduced to |t| <= tan(pi/8), then put back in its octant and quadrant
// with atan2's signs: -x is negative exactly when x's sign bit is clear, and the result takes
// the sign of -y, so the +u axis lands on -pi for y = +0 and on +pi for y = -0.
ROW_KERNEL_TARGET inline D approximateFk(D x, D y)
{
    const D ax = absolute(x);
    const D ay = absolute(y);
    const M yMajor = ay > ax;
    const D big = select(yMajor, ay, ax);
    const D small = select(yMajor, ax, ay);
    // atan(t) = pi/4 + atan((t - 1) / (t + 1)), which maps (tan(pi/8), 1] onto [-tan(pi/8), 0).
    const M reduce = small > kTanEighthPi * big;
    const D num = select(reduce, small - big, small);
    D den = select(reduce, small + big, big);
    den = select(den == 0.0, splat(1.0), den);
    const D t = num / den;
    const D s = t * t;
    D q = splat(kAtanPoly[0]);
    for (int i = 1; i < kAtanTerms; ++i)
        q = q * s + kAtanPoly[i];
    D angle = t * q;
    angle = select(reduce, kQuarterPi + angle, angle);
    angle = select(yMajor, kHalfPi - angle, angle);
    angle = select(((M)x & signBit()) == 0, kPi - angle, angle);
    angle = (D)((M)angle | (~(M)y & signBit()));
    const D a = angle * kInversePi;
    return (a + 1.0) * 54.0 * 0.5;
}

// The row goes in chunks and each chunk in two passes: the angle and radius first, then the
// wheel and the channels. Each pass's blocks are independent of each other, so the processor
// overlaps several of them instead of waiting out one long chain of latencies per block.
constexpr int kChunkBlocks = 16;
constexpr int kChunkPixels = kChunkBlocks * kLanes;

struct Chunk {
    D fk[kChunkBlocks];  // 0 where the lane is not usable
    D rad[kChunkBlocks]; // 0 where the lane is not usable, so that it computes white
    I known[kChunkBlocks];
    unsigned usableBits[kChunkBlocks];
    unsigned otherBits[kChunkBlocks]; // known, not usable and not of radius 0: not finite
    float fx[kChunkPixels];           // normalised components, for the exact path
    float fy[kChunkPixels];
};

// Known: both components at most 1e9 (ordered comparisons, so NaN is unknown). Usable: known
// with a finite radius above 0; only such lanes use the angle. Radius 0 is white whatever the
// angle, and the channels compute it so from rad 0.
ROW_KERNEL_TARGET inline void angleBlock(const float *u, const float *v, double inverseRadius,
                                         Chunk &chunk, int b)
{
    F uf;
    F vf;
    __builtin_memcpy(&uf, u, sizeof uf);
    __builtin_memcpy(&vf, v, sizeof vf);
    const D ud = widen(uf);
    const D vd = widen(vf);
    const M known =
        (absolute(ud) <= double(kUnknownFlowLimit)) & (absolute(vd) <= double(kUnknownFlowLimit));

    const F fx = narrow(ud * inverseRadius);
    const F fy = narrow(vd * inverseRadius);
    __builtin_memcpy(chunk.fx + b * kLanes, &fx, sizeof fx);
    __builtin_memcpy(chunk.fy + b * kLanes, &fy, sizeof fy);
    const D x = widen(fx);
    const D y = widen(fy);
    const D rad = squareRoot(x * x + y * y);
    // A NaN radius fails both comparisons.
    const M usable = known & (rad > 0.0) & (rad <= __DBL_MAX__);

    // No NaN or infinity may reach a conversion to an integer or the wheel.
    chunk.fk[b] = select(usable, approximateFk(x, y), splat(0.0));
    chunk.rad[b] = select(usable, rad, splat(0.0));
    chunk.known[b] = __builtin_convertvector(known, I);
    chunk.usableBits[b] = laneBits(usable);
    chunk.otherBits[b] = laneBits(known & ~usable & ~(rad == 0.0));
}

// Packed red | green << 8 | blue << 16 per lane, and the lanes that must go the exact way.
ROW_KERNEL_TARGET inline I channelBlock(const Chunk &chunk, int b, unsigned &exact)
{
    const D fk = chunk.fk[b];
    const D rad = chunk.rad[b];
    const I k0 = __builtin_convertvector(fk, I);
    const D f = fk - toDouble(k0);
    const M fSafe = (f > rowkernels::kFkMargin) & (f < 1.0 - rowkernels::kFkMargin);

    // fk' may reach 54 by a hair; such a lane is unsafe already, and must not read past the
    // table.
    const I index = selectInt(k0 > 53, I{} + 53, k0);
    I low;
    I high;
    wheelPairsAt(index, low, high);
    const I byte0 = low & 255;
    const I shift = (low >> 16) & 255;
    const M fades = rad <= 1.0;

    // The changing channel, blended from the wheel's bytes by f'. Both ends of the interval
    // the exact value lies in truncate alike, or the lane is unsafe; where they do, that is the
    // byte. The upper end also gives a lane of radius 0 its exact 255.
    const D step = toDouble(((low >> 8) & 255) - byte0);
    const D col = (toDouble(byte0) + f * step) * kInverse255;
    const D value = select(fades, 255.0 - rad * 255.0 * (1.0 - col), col * (0.75 * 255.0));
    const D margin = absolute(step) * rowkernels::kStepMargin + rowkernels::kChannelRounding;
    const I below = __builtin_convertvector(value - margin, I);
    const I above = __builtin_convertvector(value + margin, I);

    // The steady channels do not depend on f, and come out exact: a channel at 0 fades to
    // (1 - rad) x 255 and darkens to 0; one at 255 stays 255, or darkens to 191.
    const I atZero = __builtin_convertvector(select(fades, (1.0 - rad) * 255.0, splat(0.0)), I);
    const I at255 = selectInt(__builtin_convertvector(fades, I), I{} + 255, I{} + 191);
    const I zeroMask = ~(high | (I{} + 255) << shift) & 0xffffff;
    const I packed =
        above << shift | (spreadLowByte(atZero) & zeroMask) | (spreadLowByte(at255) & high);

    const I irregular = (low & std::int32_t(rowkernels::kIrregularPair)) != 0;
    exact = chunk.usableBits[b] & ~(laneBits(fSafe) & laneBitsInt((below == above) & ~irregular));
    exact |= chunk.otherBits[b];
    return packed & chunk.known[b];
}

// Colours n <= kChunkPixels pixels.
ROW_KERNEL_TARGET inline void colourChunk(const float *u, const float *v, std::uint8_t *rgb, int n,
                                          double inverseRadius, Chunk &chunk,
                                          rowkernels::ExactCache &cache)
{
    const int blocks = (n + kLanes - 1) / kLanes;
    for (int b = 0; b < blocks; ++b) {
        const int lanes = n - b * kLanes < kLanes ? n - b * kLanes : kLanes;
        if (lanes == kLanes) {
            angleBlock(u + b * kLanes, v + b * kLanes, inverseRadius, chunk, b);
        } else {
            float uTail[kLanes] = {};
            float vTail[kLanes] = {};
            __builtin_memcpy(uTail, u + b * kLanes, sizeof(float) * unsigned(lanes));
            __builtin_memcpy(vTail, v + b * kLanes, sizeof(float) * unsigned(lanes));
            angleBlock(uTail, vTail, inverseRadius, chunk, b);
        }
    }

    for (int b = 0; b < blocks; ++b) {
        unsigned exact;
        const I packed = channelBlock(chunk, b, exact);
        std::uint8_t *out = rgb + 3 * b * kLanes;
        const int lanes = n - b * kLanes < kLanes ? n - b * kLanes : kLanes;
        if (lanes == kLanes)
            storeBlock(out, packed);
        else
            storePixels(out, packed, lanes);
        for (int i = 0; exact && i < lanes; ++i, exact >>= 1)
            if (exact & 1u)
                rowkernels::colorPixelExact(chunk.fx[b * kLanes + i], chunk.fy[b * kLanes + i],
                                            out + 3 * i, cache);
    }
}

ROW_KERNEL_TARGET inline void colourRowLanes(const float *u, const float *v, std::uint8_t *rgb,
                                             int cols, double inverseRadius,
                                             rowkernels::ExactCache &cache)
{
    Chunk chunk;
    for (int c = 0; c < cols; c += kChunkPixels) {
        const int n = cols - c < kChunkPixels ? cols - c : kChunkPixels;
        colourChunk(u + c, v + c, rgb + 3 * c, n, inverseRadius, chunk, cache);
    }
}

// fk' for normalised components, as angleBlock computes it; for the tests of the bound.
ROW_KERNEL_TARGET inline void fkRowLanes(const float *fx, const float *fy, double *fk, int n)
{
    for (int c = 0; c < n; c += kLanes) {
        float xs[kLanes] = {};
        float ys[kLanes] = {};
        const int m = n - c < kLanes ? n - c : kLanes;
        for (int i = 0; i < m; ++i) {
            xs[i] = fx[c + i];
            ys[i] = fy[c + i];
        }
        F xf;
        F yf;
        __builtin_memcpy(&xf, xs, sizeof xf);
        __builtin_memcpy(&yf, ys, sizeof yf);
        const D result = approximateFk(widen(xf), widen(yf));
        for (int i = 0; i < m; ++i)
            fk[c + i] = result[i];
    }
}

} // namespace

#endif // COLOR_LANES_H
