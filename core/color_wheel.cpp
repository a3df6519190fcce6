#include "color_wheel.h"

#include "flow_unknown.h"
#include "row_kernels.h"

#include <cmath>
#include <cstring>

int colorWheel[kWheelEntries][3];
int wheelSize = 0;

namespace {

// Single-precision constants widened to double: a float 1/pi slightly below the true value
// is what puts the +u axis just past entry 0, and a float 1/255 slightly above the true
// value is what brings a wheel byte back unchanged at radius 1.
constexpr double kInversePi = double(0.31830987f);
constexpr double kInverse255 = double(0.0039215689f);

// colorWheel already multiplied by kInverse255: the same product the per-pixel formula
// forms, taken once per entry instead of six times per pixel.
double scaledWheel[kWheelEntries][3];

void setEntry(int &k, int red, int green, int blue)
{
    colorWheel[k][0] = red;
    colorWheel[k][1] = green;
    colorWheel[k][2] = blue;
    ++k;
}

// The colour of a normalised vector. fx and fy must not be NaN; infinities are fine (atan2
// is defined for them and the radius is then above 1).
inline void shade(float fx, float fy, std::uint8_t &red, std::uint8_t &green, std::uint8_t &blue)
{
    const double x = fx;
    const double y = fy;
    const double rad = std::sqrt(x * x + y * y);
    const double a = std::atan2(-y, -x) * kInversePi;
    // |a| < 1 - 4e-9 because the float 1/pi is below the true value, so fk lies strictly
    // inside (0, 54): k0 <= 53 and k1 <= 54, always inside the table.
    const double fk = (a + 1.0) * (kWheelEntries - 1) * 0.5;
    const int k0 = int(fk);
    const int k1 = (k0 + 1) % kWheelEntries;
    const double f = fk - k0;
    const double *col0 = scaledWheel[k0];
    const double *col1 = scaledWheel[k1];

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

void BuildColorWheel()
{
    wheelSize = kWheelEntries;

    constexpr int kRedYellow = 15, kYellowGreen = 6, kGreenCyan = 4, kCyanBlue = 11,
                  kBlueMagenta = 13, kMagentaRed = 6;
    int k = 0;
    for (int i = 0; i < kRedYellow; ++i)
        setEntry(k, 255, 255 * i / kRedYellow, 0);
    for (int i = 0; i < kYellowGreen; ++i)
        setEntry(k, 255 - 255 * i / kYellowGreen, 255, 0);
    for (int i = 0; i < kGreenCyan; ++i)
        setEntry(k, 0, 255, 255 * i / kGreenCyan);
    for (int i = 0; i < kCyanBlue; ++i)
        setEntry(k, 0, 255 - 255 * i / kCyanBlue, 255);
    for (int i = 0; i < kBlueMagenta; ++i)
        setEntry(k, 255 * i / kBlueMagenta, 0, 255);
    for (int i = 0; i < kMagentaRed; ++i)
        setEntry(k, 255, 0, 255 - 255 * i / kMagentaRed);

    for (int e = 0; e < kWheelEntries; ++e)
        for (int b = 0; b < 3; ++b)
            scaledWheel[e][b] = colorWheel[e][b] * kInverse255;

    for (int e = 0; e + 1 < kWheelEntries; ++e) {
        std::uint64_t pair = 0;
        int changing = 0;
        for (int b = 0; b < 3; ++b) {
            const int now = colorWheel[e][b];
            const int next = colorWheel[e + 1][b];
            if (now != next) {
                ++changing;
                pair |= std::uint64_t(now) | std::uint64_t(next) << 8 | std::uint64_t(8 * b) << 16;
            } else if (now == 255) {
                pair |= std::uint64_t(0xff) << (32 + 8 * b);
            } else if (now != 0) {
                changing = 2;
            }
        }
        rowkernels::wheelPairs[e] = changing == 1 ? pair : rowkernels::kIrregularPair;
    }
}

void VectorColor(float fx, float fy, unsigned char pix[3])
{
    if (wheelSize == 0)
        BuildColorWheel();
    if (std::isnan(fx) || std::isnan(fy)) {
        pix[0] = pix[1] = pix[2] = 0;
        return;
    }
    shade(fx, fy, pix[2], pix[1], pix[0]);
}

void colorFlowRow(const float *u, const float *v, std::uint8_t *rgb, int cols, double inverseRadius)
{
    rowkernels::colorRow(rowkernels::active(), u, v, rgb, cols, inverseRadius);
}

std::uint64_t rowkernels::wheelPairs[54];

void rowkernels::colorPixelExact(float fx, float fy, std::uint8_t *rgb)
{
    // A flow clamped to a small cutoff repeats its corner vectors over whole regions, so a
    // vector the vector kernels cannot settle tends to come back many times: the last answers
    // are kept, keyed by the components' bits (the sign of a zero matters on the seam).
    struct Answer {
        std::uint32_t x;
        std::uint32_t y;
        std::uint8_t rgb[3];
        bool known;
    };
    thread_local Answer answers[64] = {};
    std::uint32_t x;
    std::uint32_t y;
    std::memcpy(&x, &fx, 4);
    std::memcpy(&y, &fy, 4);
    Answer &a = answers[(x * 0x9e3779b1u ^ y * 0x85ebca6bu) >> 26];
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
    if (wheelSize == 0)
        BuildColorWheel();
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
