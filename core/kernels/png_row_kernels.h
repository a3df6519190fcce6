#ifndef PNG_ROW_KERNELS_H
#define PNG_ROW_KERNELS_H

// The row kernels of the KITTI reader: undoing PNG's row filters for 16-bit RGB, 6 bytes a
// pixel, and turning such rows into flow. A plain form, and SSE2 and AVX2 forms on x86-64,
// gathered in tables like the colour kernels and chosen once per process. Each writes exactly
// what the plain form writes.

#include <cstddef>
#include <cstdint>

namespace pngkernels {

// Bytes past the end of a row that every kernel may read from its inputs, and that
// unfilterRow may overwrite in out: the vector forms move a pixel as 8 bytes, four pixels
// as 28, and the Up filter 32 bytes at a time.
constexpr std::size_t kRowSlack = 32;
constexpr int kFilterTypes = 5; // None, Sub, Up, Average, Paeth

enum class Isa { Scalar, Sse2, Avx2 };

struct PngRowKernels {
    Isa isa;
    const char *name;
    // One row of bytes = 6 x width: out = in with filter (0 to 4) undone against prior, the
    // row above as unfiltered (zeros for the first). out may not overlap in or prior.
    void (*unfilterRow)(int filter, const std::uint8_t *in, const std::uint8_t *prior,
                        std::uint8_t *out, std::size_t bytes);
    // Two rows that both use the Paeth filter, the second below the first: as unfilterRow on
    // each in turn, with out0 as the second's prior.
    void (*paethRowPair)(const std::uint8_t *in0, const std::uint8_t *in1,
                         const std::uint8_t *prior, std::uint8_t *out0, std::uint8_t *out1,
                         std::size_t bytes);
    // KITTI's flow from one unfiltered row of width pixels (big-endian R, G, B): u = (R -
    // 32768) / 64, v likewise from G, both NaN where B is 0. False where a B holds more than
    // 1: the row is no flow, and what u and v hold then is unspecified.
    bool (*kittiFlowRow)(const std::uint8_t *pixels, int width, float *u, float *v);
};

// The kernels of isa, or null when this build or processor lacks them.
const PngRowKernels *pngRowKernelsFor(Isa isa);

// The fastest this processor runs, chosen on first use and never changed.
const PngRowKernels &chosenPngRowKernels();

} // namespace pngkernels

#endif // PNG_ROW_KERNELS_H
