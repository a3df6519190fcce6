#include "color_wheel.h"

#include "exact_cache.h"
#include "plain_kernels.h"
#include "row_kernels.h"

#include <cmath>

void VectorColor(float fx, float fy, unsigned char pix[3])
{
    if (std::isnan(fx) || std::isnan(fy)) {
        pix[0] = pix[1] = pix[2] = 0;
        return;
    }
    std::uint8_t rgb[3];
    rowkernels::colorPixel(fx, fy, rgb);
    pix[0] = rgb[2];
    pix[1] = rgb[1];
    pix[2] = rgb[0];
}

void colorFlowRow(const float *u, const float *v, std::uint8_t *rgb, int cols, double inverseRadius)
{
    rowkernels::ExactCache cache;
    rowkernels::chosenKernels().colorRow(u, v, rgb, cols, inverseRadius, cache);
}
