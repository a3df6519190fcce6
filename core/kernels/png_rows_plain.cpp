#include "png_rows_plain.h"

#include <limits>

namespace pngkernels {

namespace {

constexpr std::size_t kPixel = 6;

// The predictor that lies nearest to a + b - c, ties going to a, then b; no branch, so the
// data cannot make it mispredict.
inline unsigned paeth(unsigned a, unsigned b, unsigned c)
{
    const int pa = b > c ? int(b - c) : int(c - b);
    const int pb = a > c ? int(a - c) : int(c - a);
    const int pc = (a + b > 2 * c) ? int(a + b - 2 * c) : int(2 * c - a - b);
    const unsigned bc = pb <= pc ? b : c;
    return (pa <= pb && pa <= pc) ? a : bc;
}

// Sub, Average and Paeth run along a row pixel by pixel, each channel fed by the same channel
// of the pixel before; keeping those six in locals spares a store and a load on every step.
template <typename Predict>
void alongRow(const std::uint8_t *in, const std::uint8_t *prior, std::uint8_t *out,
              std::size_t bytes, Predict predict)
{
    unsigned left[kPixel] = {};
    unsigned upLeft[kPixel] = {};
    for (std::size_t i = 0; i + kPixel <= bytes; i += kPixel)
        for (std::size_t ch = 0; ch < kPixel; ++ch) {
            const unsigned up = prior[i + ch];
            left[ch] = std::uint8_t(in[i + ch] + predict(left[ch], up, upLeft[ch]));
            out[i + ch] = std::uint8_t(left[ch]);
            upLeft[ch] = up;
        }
}

} // namespace

void unfilterRowScalar(int filter, const std::uint8_t *in, const std::uint8_t *prior,
                       std::uint8_t *out, std::size_t bytes)
{
    switch (filter) {
    case 0:
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = in[i];
        break;
    case 1:
        alongRow(in, prior, out, bytes, [](unsigned a, unsigned, unsigned) { return a; });
        break;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = std::uint8_t(in[i] + prior[i]);
        break;
    case 3:
        alongRow(in, prior, out, bytes,
                 [](unsigned a, unsigned b, unsigned) { return (a + b) >> 1; });
        break;
    case 4:
        alongRow(in, prior, out, bytes, paeth);
        break;
    default:
        break;
    }
}

void paethRowPairScalar(const std::uint8_t *in0, const std::uint8_t *in1, const std::uint8_t *prior,
                        std::uint8_t *out0, std::uint8_t *out1, std::size_t bytes)
{
    unfilterRowScalar(4, in0, prior, out0, bytes);
    unfilterRowScalar(4, in1, out0, out1, bytes);
}

bool kittiFlowRowScalar(const std::uint8_t *px, int width, float *u, float *v)
{
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    for (int x = 0; x < width; ++x, px += kPixel) {
        if (px[4] != 0 || px[5] > 1)
            return false;
        if (px[5] == 0) {
            u[x] = v[x] = unknown;
            continue;
        }
        const int r = px[0] << 8 | px[1];
        const int g = px[2] << 8 | px[3];
        // Exact in float: a whole number below 2^16 over a power of two.
        u[x] = float(r - 32768) / 64.0f;
        v[x] = float(g - 32768) / 64.0f;
    }
    return true;
}

} // namespace pngkernels
