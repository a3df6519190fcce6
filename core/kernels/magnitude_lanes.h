// The vector forms of the magnitude kernels; see row_lanes.h for how they are compiled. They
// follow the plain forms operation for operation (the same products, sum and square root in
// double, each rounding as written), so their results are those of the plain forms bit for
// bit; the histogram's bins are found another way that provably gives the same bin.

#ifndef MAGNITUDE_LANES_H
#define MAGNITUDE_LANES_H

#include "flow_unknown.h"
#include "magnitude_kernels.h"
#include "row_lanes.h"

#include <algorithm>

namespace {

using magnitudes::kBins;
using magnitudes::kSumLanes;

static_assert(kSumLanes % kLanes == 0, "a sum lane must always take the same columns");
constexpr int kBlocksPerSum = kSumLanes / kLanes;
constexpr int kCopySets = magnitudes::kBinCopies / kLanes;
constexpr unsigned kAllLanes = (1u << kLanes) - 1;

ROW_KERNEL_TARGET inline unsigned countBits(unsigned bits)
{
    return unsigned(__builtin_popcount(bits));
}

// The magnitudes go around the cache where the row allows: they are read once, after the whole
// field has pushed them out of it anyway.
ROW_KERNEL_TARGET inline void streamStore(float *to, F x)
{
#if ROW_KERNEL_BITS == 512
    _mm256_stream_ps(to, (__m256)x);
#else
    _mm_stream_ps(to, (__m128)x);
#endif
}

template <bool kStream>
ROW_KERNEL_TARGET void magnitudeRowBlocks(const float *u, const float *v, float *out, int cols,
                                          magnitudes::Totals &totals)
{
    const D inf = splat(__builtin_inf());
    const D zero = splat(0.0);
    const D limit = splat(double(kUnknownFlowLimit));
    D sums[kBlocksPerSum];
    for (int h = 0; h < kBlocksPerSum; ++h)
        __builtin_memcpy(&sums[h], totals.laneSums + h * kLanes, sizeof(D));
    D minU = splat(totals.minU), maxU = splat(totals.maxU);
    D minV = splat(totals.minV), maxV = splat(totals.maxV);
    D maxM = splat(totals.maxMagnitude);
    std::uint64_t known = 0;

    int c = 0;
    for (; c + kSumLanes <= cols; c += kSumLanes) {
        for (int h = 0; h < kBlocksPerSum; ++h) {
            const int at = c + h * kLanes;
            F uf;
            F vf;
            __builtin_memcpy(&uf, u + at, sizeof uf);
            __builtin_memcpy(&vf, v + at, sizeof vf);
            const D x = widen(uf);
            const D y = widen(vf);
            // Ordered comparisons: NaN is unknown.
            const M isKnown = (absolute(x) <= limit) & (absolute(y) <= limit);
            const D m = squareRoot(x * x + y * y);
            const F o = narrow(select(isKnown, m, inf));
            if (kStream)
                streamStore(out + at, o);
            else
                __builtin_memcpy(out + at, &o, sizeof o);
            sums[h] += select(isKnown, m, zero);
            minU = select(isKnown & (x < minU), x, minU);
            maxU = select(isKnown & (x > maxU), x, maxU);
            minV = select(isKnown & (y < minV), y, minV);
            maxV = select(isKnown & (y > maxV), y, maxV);
            maxM = select(isKnown & (m > maxM), m, maxM);
            known += countBits(laneBits(isKnown));
        }
    }

    for (int h = 0; h < kBlocksPerSum; ++h)
        __builtin_memcpy(totals.laneSums + h * kLanes, &sums[h], sizeof(D));
    for (int l = 0; l < kLanes; ++l) {
        totals.minU = minU[l] < totals.minU ? minU[l] : totals.minU;
        totals.maxU = maxU[l] > totals.maxU ? maxU[l] : totals.maxU;
        totals.minV = minV[l] < totals.minV ? minV[l] : totals.minV;
        totals.maxV = maxV[l] > totals.maxV ? maxV[l] : totals.maxV;
        totals.maxMagnitude = maxM[l] > totals.maxMagnitude ? maxM[l] : totals.maxMagnitude;
    }
    totals.known += known;
    magnitudes::rowPlain(u, v, out, cols, c, totals);
}

ROW_KERNEL_TARGET void magnitudeRowLanes(const float *u, const float *v, float *out, int cols,
                                         magnitudes::Totals &totals)
{
    if (reinterpret_cast<std::uintptr_t>(out) % sizeof(F) == 0)
        magnitudeRowBlocks<true>(u, v, out, cols, totals);
    else
        magnitudeRowBlocks<false>(u, v, out, cols, totals);
}

ROW_KERNEL_TARGET void fenceStreams()
{
    _mm_sfence();
}

// The bin as the plain form's quotient gives it. First in float: the product with 64 / max
// rounded to float lies within 64 x 2^-23 < 8e-6 of the exact quotient, so where it is more
// than kBinMargin from a whole number its whole part is the bin. Blocks with a lane nearer go
// the exact way: from that guess to the bin whose exact edges (b x max / 64, exact in double)
// hold the magnitude, one step either way at most. Unknown vectors (+infinity) go to the
// extra slot.
constexpr float kBinMargin = 1e-5f;

struct BinLanes {
    F scale;
    D maxMagnitude;
    D perBin; // 1/64, a power of two: multiplying by it is exact
    D last;
    F inf;
};

ROW_KERNEL_TARGET inline BinLanes binLanesFor(double maxMagnitude)
{
    return {splatFloat(float(kBins / maxMagnitude)), splat(maxMagnitude), splat(1.0 / kBins),
            splat(double(kBins - 1)), splatFloat(__builtin_inff())};
}

// Truncation as the processor does it, for any float: no NaN or infinity reaches a conversion
// the language leaves undefined.
ROW_KERNEL_TARGET inline I truncate(F x)
{
#if ROW_KERNEL_BITS == 512
    return (I)_mm256_cvttps_epi32((__m256)x);
#else
    return (I)_mm_cvttps_epi32((__m128)x);
#endif
}

ROW_KERNEL_TARGET inline I exactBinOf(F x, I guess, const BinLanes &k)
{
    const D xd = widen(x);
    D b = toDouble(selectInt(guess > kBins - 1, I{} + (kBins - 1), guess));
    b = select(b < 0.0, splat(0.0), b);
    const I first = __builtin_convertvector(b, I);
    const I down = __builtin_convertvector(xd < b * k.maxMagnitude * k.perBin, I);
    const I up =
        __builtin_convertvector((xd >= (b + 1.0) * k.maxMagnitude * k.perBin) & (b < k.last), I);
    // A true comparison is -1 in every bit.
    return first + down - up;
}

ROW_KERNEL_TARGET inline I binOf(F x, const BinLanes &k)
{
    const FM unknown = x == k.inf;
    const F q = x * k.scale;
    I guess = truncate(q);
    const F fraction = q - __builtin_convertvector(guess, F);
    const FM clear = (fraction > kBinMargin) & (fraction < 1.0f - kBinMargin);
    if (laneBitsInt((I)(clear | unknown)) != kAllLanes)
        guess = exactBinOf(x, guess, k);
    guess = selectInt(guess > kBins - 1, I{} + (kBins - 1), guess);
    return selectInt((I)unknown, I{} + kBins, guess);
}

// The lanes that lie in a bracket, low and high included, sorted out one by one: rare, and out of
// the loop's way (a call its registers need not survive).
__attribute__((noinline)) ROW_KERNEL_TARGET void sortOut(F x, unsigned lanes,
                                                         magnitudes::Bracket &bracket)
{
    for (; lanes; lanes &= lanes - 1) {
        const float value = x[__builtin_ctz(lanes)];
        if (value == bracket.low)
            ++bracket.atLow;
        else if (value < bracket.high)
            bracket.collect(value);
        else
            ++bracket.atHigh;
    }
}

// The counts of a stretch short enough that no lane's 32-bit count can overflow.
constexpr std::size_t kCountStretch = std::size_t(1) << 30;

template <int kBrackets>
ROW_KERNEL_TARGET std::size_t tallyBlocks(const float *m, std::size_t n, magnitudes::Tally &tally)
{
    F low[kBrackets + 1];
    F high[kBrackets + 1];
    for (int j = 0; j < kBrackets; ++j) {
        low[j] = splatFloat(tally.brackets[j].low);
        high[j] = splatFloat(tally.brackets[j].high);
    }
    const bool bins = tally.maxMagnitude > 0;
    const BinLanes binLanes = binLanesFor(bins ? tally.maxMagnitude : 1.0);
    std::uint64_t(*counts)[kBins + 1] = tally.binCopies;
    std::int32_t runBin = 0;
    std::uint64_t run = 0;

    std::size_t i = 0;
    while (i + kLanes <= n) {
        // Lane by lane, in registers; a true comparison is -1.
        I below[kBrackets + 1] = {};
        const std::size_t end = i + std::min(n - i, kCountStretch);
        for (; i + kLanes <= end; i += kLanes) {
            F x;
            __builtin_memcpy(&x, m + i, sizeof x);
            for (int j = 0; j < kBrackets; ++j) {
                const FM under = x < low[j];
                below[j] += (I)under;
                if (const unsigned in = laneBitsInt((I)((x <= high[j]) & ~under)))
                    sortOut(x, in, tally.brackets[j]);
            }
            const I bin = bins ? binOf(x, binLanes) : (I)(x == binLanes.inf) & (I{} + kBins);
            // Smooth flows put long runs into one bin: a block wholly in the bin of the run
            // goes to the run's count. Otherwise each lane of each of four blocks in turn
            // counts into a copy of its own, so that no increment waits for the previous one
            // of its counter.
            if (laneBitsInt(bin == (I{} + runBin)) == kAllLanes) {
                run += kLanes;
                continue;
            }
            counts[0][runBin] += run;
            run = 0;
            if (laneBitsInt(bin == (I{} + bin[0])) == kAllLanes) {
                runBin = bin[0];
                run = kLanes;
                continue;
            }
            std::int32_t at[kLanes];
            __builtin_memcpy(at, &bin, sizeof at);
            std::uint64_t(*copies)[kBins + 1] = counts + ((i / kLanes) % kCopySets) * kLanes;
            for (int l = 0; l < kLanes; ++l)
                ++copies[l][at[l]];
        }
        for (int j = 0; j < kBrackets; ++j)
            for (int l = 0; l < kLanes; ++l)
                tally.brackets[j].below += std::uint32_t(-below[j][l]);
    }
    counts[0][runBin] += run;
    return i;
}

ROW_KERNEL_TARGET void tallyLanes(const float *m, std::size_t n, magnitudes::Tally &tally)
{
    // A longest vector so short that 64 / max overflows a float leaves the first guess
    // meaningless: the plain form bins such a field.
    if (tally.maxMagnitude > 0 && !(float(kBins / tally.maxMagnitude) < __builtin_inff())) {
        magnitudes::tallyPlain(m, n, tally);
        return;
    }
    std::size_t i = 0;
    switch (tally.bracketCount) {
    case 0:
        i = tallyBlocks<0>(m, n, tally);
        break;
    case 1:
        i = tallyBlocks<1>(m, n, tally);
        break;
    case 2:
        i = tallyBlocks<2>(m, n, tally);
        break;
    default:
        break;
    }
    magnitudes::tallyPlain(m + i, n - i, tally);
}

} // namespace

#endif // MAGNITUDE_LANES_H
