#include "kernel_planes.h"

#include <cstring>

void rowkernels::flowToGrey(const RowKernels &kernels, int cutoff, const PixelPlane &dimX,
                            const PixelPlane &dimY, const FloatPlane &u, const FloatPlane &v,
                            int rows, int cols, const BandPlan &plan)
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
    const int bands = bandCount(plan, rows, cols);
    forEachBand(bands, [&](int band) {
        const RowRange range = bandRows(rows, bands, band);
        for (int r = range.begin; r < range.end; ++r)
            kernels.greyRow(u[r], v[r], dimX[r][0], dimY[r][0], cols, k, twoK);
    });
}
