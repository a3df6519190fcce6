#ifndef PNG_ROWS_PLAIN_H
#define PNG_ROWS_PLAIN_H

#include <cstddef>
#include <cstdint>

namespace pngkernels {

// The portable forms of the PngRowKernels entries; they read and write no slack.
void unfilterRowScalar(int filter, const std::uint8_t *in, const std::uint8_t *prior,
                       std::uint8_t *out, std::size_t bytes);
void paethRowPairScalar(const std::uint8_t *in0, const std::uint8_t *in1, const std::uint8_t *prior,
                        std::uint8_t *out0, std::uint8_t *out1, std::size_t bytes);
bool kittiFlowRowScalar(const std::uint8_t *pixels, int width, float *u, float *v);

} // namespace pngkernels

#endif // PNG_ROWS_PLAIN_H
