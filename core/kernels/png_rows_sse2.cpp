// x86-64 only, where SSE2 is always there. The flow rows stay plain: their shuffles need
// SSSE3 at least.
#if defined(__x86_64__)

#define PNG_LANES_TARGET
#define PNG_LANES_AVX2 0
#include "png_rows_lanes.h"
#include "png_rows_plain.h"

namespace pngkernels {
extern const PngRowKernels kSse2PngRows;
const PngRowKernels kSse2PngRows = {Isa::Sse2, "sse2", unfilterRowLanes, kittiFlowRowScalar};
} // namespace pngkernels

#endif
