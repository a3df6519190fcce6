// The vector clamp and grey kernels; see row_lanes.h for how they are compiled. Both follow
// the plain per-pixel code operation for operation, so they are exact by construction; where
// a lane leaves the range the vector form handles, the block goes the plain way.

#ifndef CLAMP_GREY_LANES_H
#define CLAMP_GREY_LANES_H

#include "flow_unknown.h"
#include "plain_kernels.h"
#include "row_lanes.h"

namespace {

// A NaN fails both comparisons and ends at the upper bound. The limit is exact in float, so
// comparing in float agrees with the plain code's comparison in double.
ROW_KERNEL_TARGET inline F clampLanes(F x, float limit, float low, float high)
{
    const F lowLanes = splatFloat(low);
    const F highLanes = splatFloat(high);
    return selectFloat(x <= -limit, lowLanes, selectFloat(x < limit, x, highLanes));
}

ROW_KERNEL_TARGET inline void clampBlock(const float *su, const float *sv, float *du, float *dv,
                                         float limit, float low, float high, bool clampAll)
{
    F x;
    F y;
    __builtin_memcpy(&x, su, sizeof x);
    __builtin_memcpy(&y, sv, sizeof y);
    F cx = clampLanes(x, limit, low, high);
    F cy = clampLanes(y, limit, low, high);
    if (!clampAll) {
        // Unknown vectors, NaN included, are copied bit for bit.
        const FM known =
            (absoluteFloat(x) <= kUnknownFlowLimit) & (absoluteFloat(y) <= kUnknownFlowLimit);
        cx = selectFloat(known, cx, x);
        cy = selectFloat(known, cy, y);
    }
    __builtin_memcpy(du, &cx, sizeof cx);
    __builtin_memcpy(dv, &cy, sizeof cy);
}

ROW_KERNEL_TARGET inline void clampRowLanes(const float *su, const float *sv, float *du, float *dv,
                                            int cols, float limit, float low, float high,
                                            bool clampAll)
{
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes)
        clampBlock(su + c, sv + c, du + c, dv + c, limit, low, high, clampAll);
    if (c == cols)
        return;
    const unsigned bytes = sizeof(float) * unsigned(cols - c);
    float x[kLanes] = {};
    float y[kLanes] = {};
    __builtin_memcpy(x, su + c, bytes);
    __builtin_memcpy(y, sv + c, bytes);
    clampBlock(x, y, x, y, limit, low, high, clampAll);
    __builtin_memcpy(du + c, x, bytes);
    __builtin_memcpy(dv + c, y, bytes);
}

// The largest |x| of n floats, none of them NaN.
ROW_KERNEL_TARGET inline float maxAbsLanes(const float *x, int n)
{
    F largest = F{};
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        F values;
        __builtin_memcpy(&values, x + i, sizeof values);
        values = absoluteFloat(values);
        largest = selectFloat(values > largest, values, largest);
    }
    float result = 0.0f;
    for (int lane = 0; lane < kLanes; ++lane)
        result = largest[lane] > result ? largest[lane] : result;
    for (; i < n; ++i) {
        const float a = x[i] < 0 ? -x[i] : x[i];
        result = a > result ? a : result;
    }
    return result;
}

// Grey levels of one component: ((c + K) x 255) / (2K), truncated, low 8 bits. Returns false
// when a known lane's quotient leaves the int range, where the conversion would differ from
// the plain code's through 64 bits.
ROW_KERNEL_TARGET inline bool greyLanes(D component, M known, double k, double twoK, I &level)
{
    const D q = select(known, ((component + k) * 255.0) / twoK, splat(0.0));
    if (laneBits(~(absolute(q) < 2147483648.0)))
        return false;
    level = __builtin_convertvector(q, I) & 255;
    return true;
}

ROW_KERNEL_TARGET inline bool greyBlock(const float *u, const float *v, double k, double twoK, I &x,
                                        I &y)
{
    F uf;
    F vf;
    __builtin_memcpy(&uf, u, sizeof uf);
    __builtin_memcpy(&vf, v, sizeof vf);
    const D ud = __builtin_convertvector(uf, D);
    const D vd = __builtin_convertvector(vf, D);
    const M known =
        (absolute(ud) <= double(kUnknownFlowLimit)) & (absolute(vd) <= double(kUnknownFlowLimit));
    if (!greyLanes(ud, known, k, twoK, x) || !greyLanes(vd, known, k, twoK, y))
        return false;
    // The level in all three bytes of the pixel.
    x |= x << 8 | x << 16;
    y |= y << 8 | y << 16;
    return true;
}

ROW_KERNEL_TARGET inline void greyRowLanes(const float *u, const float *v, std::uint8_t *dimX,
                                           std::uint8_t *dimY, int cols, double k, double twoK)
{
    I x;
    I y;
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes) {
        if (greyBlock(u + c, v + c, k, twoK, x, y)) {
            storeBlock(dimX + 3 * c, x);
            storeBlock(dimY + 3 * c, y);
        } else {
            rowkernels::greyRowScalar(u + c, v + c, dimX + 3 * c, dimY + 3 * c, kLanes, k, twoK);
        }
    }
    const int n = cols - c;
    if (n == 0)
        return;
    float uTail[kLanes] = {};
    float vTail[kLanes] = {};
    __builtin_memcpy(uTail, u + c, sizeof(float) * unsigned(n));
    __builtin_memcpy(vTail, v + c, sizeof(float) * unsigned(n));
    if (greyBlock(uTail, vTail, k, twoK, x, y)) {
        storePixels(dimX + 3 * c, x, n);
        storePixels(dimY + 3 * c, y, n);
    } else {
        rowkernels::greyRowScalar(u + c, v + c, dimX + 3 * c, dimY + 3 * c, n, k, twoK);
    }
}

} // namespace

#endif // CLAMP_GREY_LANES_H
