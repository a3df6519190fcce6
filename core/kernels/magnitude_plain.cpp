#include "magnitude_kernels.h"

#include "flow_unknown.h"

#include <cmath>

namespace magnitudes {

namespace {

constexpr float kInf = __builtin_inff();

// The exact bin: x x 64 is exact, and the quotient of two floats lies too far from any whole
// number it is not for its rounding to carry it across one.
inline int binOf(float x, double maxMagnitude)
{
    if (x == kInf)
        return kBins;
    if (!(maxMagnitude > 0))
        return 0;
    const int bin = int(double(x) * kBins / maxMagnitude);
    return bin < kBins - 1 ? bin : kBins - 1;
}

} // namespace

void rowPlain(const float *u, const float *v, float *out, int cols, int firstColumn, Totals &totals)
{
    for (int c = firstColumn; c < cols; ++c) {
        const float x = u[c];
        const float y = v[c];
        if (isUnknownFlow(x, y)) {
            out[c] = kInf;
            continue;
        }
        const double dx = x;
        const double dy = y;
        const double m = std::sqrt(dx * dx + dy * dy);
        out[c] = float(m);
        totals.laneSums[c % kSumLanes] += m;
        ++totals.known;
        totals.minU = dx < totals.minU ? dx : totals.minU;
        totals.maxU = dx > totals.maxU ? dx : totals.maxU;
        totals.minV = dy < totals.minV ? dy : totals.minV;
        totals.maxV = dy > totals.maxV ? dy : totals.maxV;
        totals.maxMagnitude = m > totals.maxMagnitude ? m : totals.maxMagnitude;
    }
}

void tallyPlain(const float *m, std::size_t n, Tally &tally)
{
    for (std::size_t i = 0; i < n; ++i) {
        const float x = m[i];
        ++tally.binCopies[i % kBinCopies][binOf(x, tally.maxMagnitude)];
        for (int j = 0; j < tally.bracketCount; ++j) {
            Bracket &b = tally.brackets[j];
            if (x < b.low)
                ++b.below;
            else if (x == b.low)
                ++b.atLow;
            else if (x < b.high)
                b.collect(x);
            else if (x == b.high)
                ++b.atHigh;
        }
    }
}

namespace {

void rowScalar(const float *u, const float *v, float *out, int cols, Totals &totals)
{
    rowPlain(u, v, out, cols, 0, totals);
}

void endRowsScalar()
{}

const MagnitudeKernels kScalarMagnitudeKernels = {rowkernels::Isa::Scalar, "scalar", rowScalar,
                                                  endRowsScalar, tallyPlain};

} // namespace

const MagnitudeKernels *magnitudeKernelsFor(rowkernels::Isa isa)
{
    if (!rowkernels::kernelsFor(isa))
        return nullptr;
    switch (isa) {
    case rowkernels::Isa::Scalar:
        return &kScalarMagnitudeKernels;
#if defined(__x86_64__)
    case rowkernels::Isa::Avx2:
        return &kAvx2MagnitudeKernels;
    case rowkernels::Isa::Avx512:
        return &kAvx512MagnitudeKernels;
#else
    default:
        break;
#endif
    }
    return nullptr;
}

const MagnitudeKernels &chosenMagnitudeKernels()
{
    const MagnitudeKernels *k = magnitudeKernelsFor(rowkernels::chosenKernels().isa);
    return k ? *k : kScalarMagnitudeKernels;
}

} // namespace magnitudes
