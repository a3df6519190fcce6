// The frame check's row in vectors; see row_lanes.h for how it is compiled once per
// instruction set. Every lane does the plain arithmetic of frame_warp.cpp in its order. A lane
// that points outside the frame, or whose vector is unknown, samples at (0, 0) so that every
// read stays inside, and its answer is then replaced by the plain code's for such a pixel.

#ifndef CHECK_LANES_H
#define CHECK_LANES_H

#include "check_rows.h"
#include "flow_unknown.h"
#include "known_lanes.h"
#include "row_lanes.h"

#include <climits>
#include <cstring>

namespace {

// Truncation toward zero, which is floor for the non-negative points it is given.
ROW_KERNEL_TARGET inline I truncate(D x)
{
#if ROW_KERNEL_BITS == 512
    return (I)_mm512_mask_cvttpd_epi32(_mm256_setzero_si256(), 0xff, (__m512d)x);
#else
    return (I)_mm256_cvttpd_epi32((__m256d)x);
#endif
}

ROW_KERNEL_TARGET inline D gatherWide(const float *base, I index)
{
#if ROW_KERNEL_BITS == 512
    return widen((F)_mm256_i32gather_ps(base, (__m256i)index, 4));
#else
    return widen((F)_mm_i32gather_ps(base, (__m128i)index, 4));
#endif
}

typedef std::uint64_t UQ __attribute__((vector_size(8 * kLanes)));

ROW_KERNEL_TARGET inline M constantMask(std::int64_t x)
{
    M r;
    for (int i = 0; i < kLanes; ++i)
        r[i] = x;
    return r;
}

// Eight bytes at base + scale x offset for every lane.
template <int Scale> ROW_KERNEL_TARGET inline M gatherPairs(const void *base, I offsets)
{
#if ROW_KERNEL_BITS == 512
    return (M)_mm512_mask_i32gather_epi64(_mm512_setzero_si512(), 0xff, (__m256i)offsets, base,
                                          Scale);
#else
    return (M)_mm256_i32gather_epi64(static_cast<const long long *>(base), (__m128i)offsets,
                                     Scale);
#endif
}

// The byte of every lane shift bits up, as a double: 2^52 with the byte as its lowest mantissa
// bits, less 2^52, which is exact.
ROW_KERNEL_TARGET inline D byteAt(M words, M shift)
{
    const M bits = (M)(((UQ)words >> (UQ)shift) & 255) | 0x4330000000000000;
    return (D)bits - splat(4503599627370496.0);
}

// The two floats of every lane's pair, widened.
ROW_KERNEL_TARGET inline void splitPairs(M pairs, D *low, D *high)
{
#if ROW_KERNEL_BITS == 512
    const __m256i zero = _mm256_setzero_si256();
    *low = widen((F)_mm512_mask_cvtepi64_epi32(zero, 0xff, (__m512i)pairs));
    *high = widen((F)_mm512_mask_cvtepi64_epi32(zero, 0xff, (__m512i)((UQ)pairs >> 32)));
#else
    const __m256i split =
        _mm256_permutevar8x32_epi32((__m256i)pairs, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    *low = widen((F)_mm256_castsi256_si128(split));
    *high = widen((F)_mm256_extracti128_si256(split, 1));
#endif
}

ROW_KERNEL_TARGET inline D loadFlow(const float *p, std::ptrdiff_t stride)
{
    F f;
    if (stride == 1) {
        std::memcpy(&f, p, sizeof f);
    } else {
        for (int i = 0; i < kLanes; ++i)
            f[i] = p[i * stride];
    }
    return widen(f);
}

// A 0x01 byte for every set bit of four lane bits, in lane order.
ROW_KERNEL_TARGET inline std::uint32_t spread(unsigned bits)
{
    return (bits & 1) | (bits & 2) << 7 | (bits & 4) << 14 | (bits & 8) << 21;
}

// kLanes bytes, byte i = one if bit i of ones is set, else zero (ones and zero a byte each).
ROW_KERNEL_TARGET inline void storeLaneBytes(std::uint8_t *out, unsigned ones, std::uint8_t one,
                                             unsigned zeros, std::uint8_t zero)
{
    for (int i = 0; i < kLanes; i += 4) {
        const std::uint32_t bytes =
            spread(ones >> i & 15) * one + spread(zeros >> i & 15) * zero;
        std::memcpy(out + i, &bytes, 4);
    }
}

struct Weights {
    D ax, ay, bx, by; // bx = 1 - ax, by = 1 - ay
};

ROW_KERNEL_TARGET inline D sample(const Weights &w, D i00, D i10, D i01, D i11)
{
    return w.by * (w.bx * i00 + w.ax * i10) + w.ay * (w.bx * i01 + w.ax * i11);
}

// Whether the offsets fit the gathers' 32-bit indices, rows do not overlap, and a row is long
// enough for the pair reads at both of its ends.
inline bool lanesFit(const checkrows::CheckJob &job)
{
    const FlowArrays &f = job.flow;
    if (f.width < kLanes)
        return false;
    const std::ptrdiff_t lastRow = f.height > 1 ? f.height - 1 : 1;
    if (job.warped.data) {
        const std::ptrdiff_t bpl = job.frame2.bytesPerLine;
        if (bpl < 3 * std::ptrdiff_t(f.width) ||
            bpl > (INT_MAX - 3 * std::ptrdiff_t(f.width)) / lastRow)
            return false;
    }
    if (job.occlusion) {
        const FlowArrays &b = job.backward;
        const std::ptrdiff_t across = (f.width - 1) * b.pixelStride;
        if (b.pixelStride < 0 || b.rowStride < 0 || across > INT_MAX / 2 ||
            b.rowStride > (INT_MAX - across) / lastRow)
            return false;
    }
    return true;
}

template <bool Warp, bool Consistency>
ROW_KERNEL_TARGET void checkRowLanes(const checkrows::CheckJob &job, int y)
{
    const FlowArrays &f = job.flow;
    const FlowArrays &b = job.backward;
    const int W = f.width;
    const int H = f.height;
    const int end = lanesFit(job) ? W - W % kLanes : 0;
    const float *u = f.u + y * f.rowStride;
    const float *v = f.v + y * f.rowStride;
    const std::ptrdiff_t ps = f.pixelStride;
    std::uint8_t *out = Warp ? job.warped.data + y * job.warped.bytesPerLine : nullptr;
    std::uint8_t *ok = Warp ? job.valid + std::ptrdiff_t(y) * W : nullptr;
    std::uint8_t *occ = Consistency ? job.occlusion + std::ptrdiff_t(y) * W : nullptr;
    const D right = splat(double(W - 1));
    const D bottom = splat(double(H - 1));
    const D row = splat(double(y));
    const I lastX = splatInt(W - 1);
    const I lastY = splatInt(H - 1);
    const I bpl = splatInt(Warp ? int(job.frame2.bytesPerLine) : 0);
    const I brs = splatInt(Consistency ? int(b.rowStride) : 0);
    const I bps = splatInt(Consistency ? int(b.pixelStride) : 0);
    I column;
    for (int i = 0; i < kLanes; ++i)
        column[i] = i;
    for (int x = 0; x < end; x += kLanes) {
        const D fu = loadFlow(u + x * ps, ps);
        const D fv = loadFlow(v + x * ps, ps);
        const D px = toDouble(column + x) + fu;
        const D py = row + fv;
        const M inside = knownLanes(fu, fv) & (px >= D{}) & (px <= right) & (py >= D{}) &
                         (py <= bottom);
        const D qx = select(inside, px, D{});
        const D qy = select(inside, py, D{});
        const I x0 = truncate(qx);
        const I y0 = truncate(qy);
        const I x1 = selectInt(x0 < lastX, x0 + 1, lastX);
        const I y1 = selectInt(y0 < lastY, y0 + 1, lastY);
        Weights w;
        w.ax = qx - toDouble(x0);
        w.ay = qy - toDouble(y0);
        w.bx = splat(1.0) - w.ax;
        w.by = splat(1.0) - w.ay;
        const unsigned insideBits = laneBits(inside);
        // Each row's two pixels in one 8-byte read ending with the right one: from column
        // W - 2 at the right edge, where both samples are the right pixel, and from byte 0
        // for pixel (0, 0), which has nothing before it.
        const I left = selectInt(x0 < lastX, x0, lastX - 1);
        const M edge = qx >= right;
        const M atStart = qx < splat(1.0);
        if (Warp) {
            const I r0 = y0 * bpl + 3 * left;
            const I r1 = y1 * bpl + 3 * left;
            const M words0 = gatherPairs<1>(job.frame2.data, r0 - 2 - 2 * (r0 == 0));
            const M words1 = gatherPairs<1>(job.frame2.data, r1 - 2 - 2 * (r1 == 0));
            const M low0 = constantMask(16) - (atStart & (qy < splat(1.0)) & 16);
            // With one row, y1 is row 0 again.
            const M low1 = constantMask(16) - (H == 1 ? atStart & 16 : M{});
            const M s00 = low0 + (edge & 24);
            const M s10 = low0 + 24;
            const M s01 = low1 + (edge & 24);
            const M s11 = low1 + 24;
            I packed = I{};
            for (int c = 0; c < 3; ++c) {
                const D value = sample(w, byteAt(words0, s00 + 8 * c), byteAt(words0, s10 + 8 * c),
                                       byteAt(words1, s01 + 8 * c), byteAt(words1, s11 + 8 * c));
                packed |= truncate(select(inside, value, D{}) + splat(0.5)) << 8 * c;
            }
            storeBlock(out + 3 * x, packed);
            storeLaneBytes(ok + x, insideBits, 1, 0, 0);
        }
        if (Consistency) {
            D bu4[4], bv4[4];
            if (b.pixelStride == 1) {
                const I k0 = y0 * brs + left;
                const I k1 = y1 * brs + left;
                D low, high;
                splitPairs(gatherPairs<4>(b.u, k0), &low, &high);
                bu4[0] = select(edge, high, low);
                bu4[1] = high;
                splitPairs(gatherPairs<4>(b.u, k1), &low, &high);
                bu4[2] = select(edge, high, low);
                bu4[3] = high;
                splitPairs(gatherPairs<4>(b.v, k0), &low, &high);
                bv4[0] = select(edge, high, low);
                bv4[1] = high;
                splitPairs(gatherPairs<4>(b.v, k1), &low, &high);
                bv4[2] = select(edge, high, low);
                bv4[3] = high;
            } else {
                const I r0 = y0 * brs;
                const I r1 = y1 * brs;
                const I at[4] = {r0 + x0 * bps, r0 + x1 * bps, r1 + x0 * bps, r1 + x1 * bps};
                for (int k = 0; k < 4; ++k) {
                    bu4[k] = gatherWide(b.u, at[k]);
                    bv4[k] = gatherWide(b.v, at[k]);
                }
            }
            M known = inside;
            for (int k = 0; k < 4; ++k)
                known &= knownLanes(bu4[k], bv4[k]);
            const D bu = sample(w, bu4[0], bu4[1], bu4[2], bu4[3]);
            const D bv = sample(w, bv4[0], bv4[1], bv4[2], bv4[3]);
            const D su = fu + bu;
            const D sv = fv + bv;
            const D f2 = fu * fu + fv * fv;
            const D b2 = bu * bu + bv * bv;
            const M agree = su * su + sv * sv <= splat(0.01) * (f2 + b2) + splat(0.5);
            const unsigned knownBits = laneBits(known);
            const unsigned agreeBits = laneBits(agree);
            static_assert(kConsistent == 0, "consistent lanes are left zero");
            storeLaneBytes(occ + x, ~knownBits, kNotChecked, knownBits & ~agreeBits, kOccluded);
        }
    }
    if (Warp)
        checkrows::warpSpan(job, y, end, W);
    if (Consistency)
        checkrows::consistencySpan(job, y, end, W);
}

ROW_KERNEL_TARGET void checkRowAny(const checkrows::CheckJob &job, int y)
{
    if (job.warped.data && job.occlusion)
        checkRowLanes<true, true>(job, y);
    else if (job.warped.data)
        checkRowLanes<true, false>(job, y);
    else if (job.occlusion)
        checkRowLanes<false, true>(job, y);
}

} // namespace

#endif // CHECK_LANES_H
