#include "grey_views.h"

#include "flow_unknown.h"
#include "row_kernels.h"

#include <cstdint>
#include <cstring>

namespace {

// A known component is at most 1e9 and |K| at least 1, so the quotient stays within about
// 1.3e11 even for an unclamped input: truncating through 64 bits is always defined, and
// the conversion to a byte keeps the low 8 bits.
inline std::uint8_t greyLevel(float component, double k, double twoK)
{
    return std::uint8_t(static_cast<long long>(((component + k) * 255.0) / twoK));
}

inline void setGrey(std::uint8_t *pixel, std::uint8_t level)
{
    pixel[0] = pixel[1] = pixel[2] = level;
}

} // namespace

void FlowToGrey(int cutoff, const PixelPlane &dimX, const PixelPlane &dimY, const FloatPlane &u,
                const FloatPlane &v, int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;

    // The mapping divides by 2K: at cutoff 0 every clamped value is 0 and 0/0 is undefined,
    // so both views are simply black.
    if (cutoff == 0) {
        for (int r = 0; r < rows; ++r) {
            std::memset(dimX[r][0], 0, 3 * std::size_t(cols));
            std::memset(dimY[r][0], 0, 3 * std::size_t(cols));
        }
        return;
    }

    const double k = cutoff;
    const double twoK = 2.0 * k;
    const rowkernels::Isa isa = rowkernels::active();
    for (int r = 0; r < rows; ++r)
        rowkernels::greyRow(isa, u[r], v[r], dimX[r][0], dimY[r][0], cols, k, twoK);
}

void rowkernels::greyRowScalar(const float *u, const float *v, std::uint8_t *dimX,
                               std::uint8_t *dimY, int cols, double k, double twoK)
{
    for (int c = 0; c < cols; ++c, dimX += 3, dimY += 3) {
        if (isUnknownFlow(u[c], v[c])) {
            setGrey(dimX, 0);
            setGrey(dimY, 0);
            continue;
        }
        setGrey(dimX, greyLevel(u[c], k, twoK));
        setGrey(dimY, greyLevel(v[c], k, twoK));
    }
}
