#include "flow_unknown.h"
#include "plain_kernels.h"

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
