#include "color_wheel.h"
#include "exact_cache.h"
#include "flow_unknown.h"
#include "plain_kernels.h"

#include <cmath>
#include <cstring>

namespace {

// Single-precision constants widened to double: a float 1/pi slightly below the true value
// is what puts the +u axis just past entry 0, and a float 1/255 slightly above the true
// value is what brings a wheel byte back unchanged at radius 1.
constexpr double kInversePi = double(0.31830987f);
constexpr double kInverse255 = double(0.0039215689f);

struct ScaledWheel {
    double entries[kWheelEntries][3];
};

// colorWheel already multiplied by kInverse255: the same product the per-pixel formula
// forms, taken once per entry instead of six times per pixel. The compiler rounds it as the
// processor would.
constexpr ScaledWheel scaleWheel()
{
    ScaledWheel scaled{};
    for (int e = 0; e < kWheelEntries; ++e)
        for (int b = 0; b < 3; ++b)
            scaled.entries[e][b] = colorWheel[e][b] * kInverse255;
    return scaled;
}

constexpr ScaledWheel kScaledWheel = scaleWheel();

inline double fkOf(double x, double y)
{
    const double a = std::atan2(-y, -x) * kInversePi;
    return (a + 1.0) * (wheelSize - 1) * 0.5;
}

// The colour of a normalised vector. fx and fy must not be NaN; infinities are fine (atan2
// is defined for them and the radius is then above 1).
inline void shade(float fx, float fy, std::uint8_t &red, std::uint8_t &green, std::uint8_t &blue)
{
    const double x = fx;
    const double y = fy;
    const double rad = std::sqrt(x * x + y * y);
    // |a| < 1 - 4e-9 because the float 1/pi is below the true value, so fk lies strictly
    // inside (0, 54): k0 <= 53 and k1 <= 54, always inside the table.
    const double fk = fkOf(x, y);
    const int k0 = int(fk);
    const int k1 = (k0 + 1) % wheelSize;
    const double f = fk - k0;
    const double *col0 = kScaledWheel.entries[k0];
    const double *col1 = kScaledWheel.entries[k1];

    double col[3];
    for (int b = 0; b < 3; ++b)
        col[b] = (1.0 - f) * col0[b] + f * col1[b];
    if (rad <= 1.0) {
        for (double &c : col)
            c = 1.0 - rad * (1.0 - c);
    } else {
        for (double &c : col)
            c *= 0.75;
    }
    // Every col is in [0, 1.0000001] here, so the conversions are in range.
    red = std::uint8_t(int(col[0] * 255.0));
    green = std::uint8_t(int(col[1] * 255.0));
    blue = std::uint8_t(int(col[2] * 255.0));
}

} // namespace

void rowkernels::colorPixel(float fx, float fy, std::uint8_t *rgb)
{
    shade(fx, fy, rgb[0], rgb[1], rgb[2]);
}

void rowkernels::colorPixelExact(float fx, float fy, std::uint8_t *rgb, ExactCache &cache)
{
    std::uint32_t x;
    std::uint32_t y;
    std::memcpy(&x, &fx, 4);
    std::memcpy(&y, &fy, 4);
    ExactCache::Answer &a =
        cache.answers[(x * 0x9e3779b1u ^ y * 0x85ebca6bu) >> (32 - ExactCache::kSlotBits)];
    if (!a.known || a.x != x || a.y != y) {
        shade(fx, fy, a.rgb[0], a.rgb[1], a.rgb[2]);
        a.x = x;
        a.y = y;
        a.known = true;
    }
    std::memcpy(rgb, a.rgb, 3);
}

void rowkernels::colorRowScalar(const float *u, const float *v, std::uint8_t *rgb, int cols,
                                double inverseRadius)
{
    for (int c = 0; c < cols; ++c, rgb += 3) {
        if (isUnknownFlow(u[c], v[c])) {
            rgb[0] = rgb[1] = rgb[2] = 0;
            continue;
        }
        const float fx = float(u[c] * inverseRadius);
        const float fy = float(v[c] * inverseRadius);
        shade(fx, fy, rgb[0], rgb[1], rgb[2]);
    }
}

void rowkernels::fkRowScalar(const float *fx, const float *fy, double *fk, int n)
{
    for (int i = 0; i < n; ++i)
        fk[i] = fkOf(fx[i], fy[i]);
}
