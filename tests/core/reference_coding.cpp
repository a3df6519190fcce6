#include "reference_coding.h"

#include <cmath>

namespace reference {

namespace {

int wheel[55][3];
int wheelSize = 0;

bool unknown(float u, float v)
{
    return std::isnan(u) || std::isnan(v) || std::fabs(u) > 1e9 || std::fabs(v) > 1e9;
}

float clampOne(float x, double limit)
{
    if (std::isnan(x))
        return float(limit);
    if (x <= -limit)
        return float(-limit);
    if (x >= limit)
        return float(limit);
    return x;
}

} // namespace

void buildWheel(int w[55][3])
{
    int k = 0;
    auto set = [&](int red, int green, int blue) {
        w[k][0] = red;
        w[k][1] = green;
        w[k][2] = blue;
        k++;
    };
    for (int i = 0; i < 15; i++)
        set(255, 255 * i / 15, 0); // red to yellow
    for (int i = 0; i < 6; i++)
        set(255 - 255 * i / 6, 255, 0); // yellow to green
    for (int i = 0; i < 4; i++)
        set(0, 255, 255 * i / 4); // green to cyan
    for (int i = 0; i < 11; i++)
        set(0, 255 - 255 * i / 11, 255); // cyan to blue
    for (int i = 0; i < 13; i++)
        set(255 * i / 13, 0, 255); // blue to magenta
    for (int i = 0; i < 6; i++)
        set(255, 0, 255 - 255 * i / 6); // magenta to red
}

void vectorColor(float fx, float fy, unsigned char pix[3])
{
    if (wheelSize == 0) {
        buildWheel(wheel);
        wheelSize = 55;
    }
    if (std::isnan(fx) || std::isnan(fy)) {
        pix[0] = pix[1] = pix[2] = 0;
        return;
    }
    double rad = std::sqrt((double)fx * (double)fx + (double)fy * (double)fy);
    double a = std::atan2(-(double)fy, -(double)fx) * (double)0.31830987f;
    double fk = (a + 1.0) * (wheelSize - 1) * 0.5;
    int k0 = (int)fk;
    int k1 = (k0 + 1) % wheelSize;
    double f = fk - k0;
    for (int b = 0; b < 3; b++) {
        double col0 = wheel[k0][b] * (double)0.0039215689f;
        double col1 = wheel[k1][b] * (double)0.0039215689f;
        double col = (1 - f) * col0 + f * col1;
        if (rad <= 1)
            col = 1 - rad * (1 - col);
        else
            col = col * 0.75;
        pix[2 - b] = (unsigned char)(int)(col * 255.0);
    }
}

void flowToColor(int cutoff, std::vector<std::uint8_t> &out, const std::vector<float> &u,
                 const std::vector<float> &v, int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;
    float R;
    if (cutoff > 0) {
        R = (float)std::sqrt(2.0 * cutoff * cutoff);
    } else {
        R = -1;
        for (int r = 0; r < rows; r++) {
            for (int c = 0; c < cols; c++) {
                const int i = r * cols + c;
                if (unknown(u[i], v[i]))
                    continue;
                double len = std::sqrt((double)u[i] * u[i] + (double)v[i] * v[i]);
                if (len >= R)
                    R = (float)len;
            }
        }
    }
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < cols; c++) {
            const int i = r * cols + c;
            std::uint8_t *p = &out[3 * i];
            if (unknown(u[i], v[i]) || R == 0) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            float fx = (float)(u[i] * (1.0 / R));
            float fy = (float)(v[i] * (1.0 / R));
            unsigned char pix[3];
            vectorColor(fx, fy, pix);
            p[0] = pix[2];
            p[1] = pix[1];
            p[2] = pix[0];
        }
    }
}

void clampFlow(const std::vector<float> &srcU, const std::vector<float> &srcV,
               std::vector<float> &dstU, std::vector<float> &dstV, int limit, bool clampAll)
{
    const double L = std::fabs((double)limit);
    for (std::size_t i = 0; i < srcU.size(); i++) {
        if (!clampAll && unknown(srcU[i], srcV[i])) {
            dstU[i] = srcU[i];
            dstV[i] = srcV[i];
        } else {
            dstU[i] = clampOne(srcU[i], L);
            dstV[i] = clampOne(srcV[i], L);
        }
    }
}

void flowToGrey(int cutoff, std::vector<std::uint8_t> &dimX, std::vector<std::uint8_t> &dimY,
                const std::vector<float> &u, const std::vector<float> &v)
{
    const double K = cutoff;
    for (std::size_t i = 0; i < u.size(); i++) {
        int gx = 0, gy = 0;
        if (!unknown(u[i], v[i]) && cutoff != 0) {
            gx = (int)((long long)(((u[i] + K) * 255) / (2 * K)) & 0xFF);
            gy = (int)((long long)(((v[i] + K) * 255) / (2 * K)) & 0xFF);
        }
        for (int b = 0; b < 3; b++) {
            dimX[3 * i + b] = (std::uint8_t)gx;
            dimY[3 * i + b] = (std::uint8_t)gy;
        }
    }
}

} // namespace reference
