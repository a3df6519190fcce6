#ifndef MAGNITUDE_KERNELS_H
#define MAGNITUDE_KERNELS_H

// The two loops behind the statistics, in a plain form and in vector forms for AVX2 and
// AVX-512 (compiled like the row kernels, see row_lanes.h): the pass over the planes that
// turns vectors into magnitudes, and the pass over those magnitudes that counts them into the
// histogram and around the ranks sought. Every form gives the same results bit for bit.

#include "row_kernels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace magnitudes {

// The magnitudes' sum is kept in this many lanes, the magnitude of column c in lane c % 8,
// and the lanes are added in order at the end: the same sum in every form.
constexpr int kSumLanes = 8;
constexpr int kBins = 64;
// The bins are counted in this many copies, so that increments in a row seldom touch the same
// counter; the counts are their sums.
constexpr int kBinCopies = 32;

struct Totals {
    double laneSums[kSumLanes] = {};
    std::uint64_t known = 0;
    // Of the known vectors; +-infinity while none is known.
    double minU = __builtin_inf(), maxU = -__builtin_inf();
    double minV = __builtin_inf(), maxV = -__builtin_inf();
    double maxMagnitude = -__builtin_inf();
};

// What the pass over the magnitudes counts around one rank sought: the magnitudes below low,
// equal to low, equal to high (when high > low), and those strictly between, collected.
struct Bracket {
    float low = 0;
    float high = 0;
    std::uint64_t below = 0;
    std::uint64_t atLow = 0;
    std::uint64_t atHigh = 0;
    // The first insideCount; the rest is room, grown by doubling when it runs out.
    std::vector<float> inside;
    std::size_t insideCount = 0;

    void collect(float value)
    {
        if (insideCount == inside.size())
            inside.resize(inside.size() < 1024 ? 1024 : 2 * inside.size());
        inside[insideCount++] = value;
    }
};

struct Tally {
    // Bins of [0, maxMagnitude] when it is above 0 (else all in bin 0), in copies to be added.
    double maxMagnitude = 0;
    std::uint64_t binCopies[kBinCopies][kBins + 1] = {}; // the last slot takes unknown vectors
    Bracket *brackets = nullptr;
    int bracketCount = 0;
};

struct MagnitudeKernels {
    rowkernels::Isa isa;
    const char *name;
    // One row: each vector's magnitude sqrt(u^2 + v^2) in double rounded to float into out,
    // +infinity where the vector is unknown, and the known ones added to totals.
    void (*row)(const float *u, const float *v, float *out, int cols, Totals &totals);
    // After the last row, before out is read: row may leave its stores unordered.
    void (*endRows)();
    // n magnitudes as row leaves them counted into tally.
    void (*tally)(const float *m, std::size_t n, Tally &tally);
};

// The plain forms, also the tail of the vector ones.
void rowPlain(const float *u, const float *v, float *out, int cols, int firstColumn,
              Totals &totals);
void tallyPlain(const float *m, std::size_t n, Tally &tally);

// The kernels of isa, or null where this build or processor lacks them; and those of the
// instruction set the row kernels chose.
const MagnitudeKernels *magnitudeKernelsFor(rowkernels::Isa isa);
const MagnitudeKernels &chosenMagnitudeKernels();

#if defined(__x86_64__)
extern const MagnitudeKernels kAvx2MagnitudeKernels;
extern const MagnitudeKernels kAvx512MagnitudeKernels;
#endif

} // namespace magnitudes

#endif // MAGNITUDE_KERNELS_H
