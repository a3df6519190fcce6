// x86-64 only, where SSE2 is always there. The flow rows stay plain: their shuffles need
// SSSE3 at least.
#if defined(__x86_64__)

#define PNG_LANES_TARGET
#define PNG_LANES_AVX2 0
#include "png_rows_lanes.h"
#include "png_rows_plain.h"

namespace {

// Two rows one after the other, for the sets without a two-row form.
PNG_LANES_TARGET void paethRowsInTurn(const std::uint8_t *in0, const std::uint8_t *in1,
                                      const std::uint8_t *prior, std::uint8_t *out0,
                                      std::uint8_t *out1, std::size_t bytes)
{
    paethRow(in0, prior, out0, bytes);
    paethRow(in1, out0, out1, bytes);
}

} // namespace

namespace pngkernels {
extern const PngRowKernels kSse2PngRows;
const PngRowKernels kSse2PngRows = {Isa::Sse2, "sse2", unfilterRowLanes, paethRowsInTurn,
                                    kittiFlowRowScalar};
} // namespace pngkernels

#endif
