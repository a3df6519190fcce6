#ifndef KERNEL_PLANES_H
#define KERNEL_PLANES_H

// The plane functions through the given row kernels. The public routines (ClampFlow,
// FlowToColor, OpeningFlowCutoff, RenderScaledFlowViews) are these with chosenKernels();
// tests and the fuzzer pass each set this processor runs, to hold it to the plain one byte for
// byte. Each takes the bands its rows are shared out in (see row_bands.h); every band count
// gives the same bytes.

#include "flow_views.h"
#include "planes.h"
#include "row_bands.h"
#include "row_kernels.h"

#include <optional>

namespace rowkernels {

void clampFlow(const RowKernels &kernels, const FloatPlane &srcU, const FloatPlane &srcV,
               const FloatPlane &dstU, const FloatPlane &dstV, int rows, int cols, int limit,
               bool clampAll, const BandPlan &plan = BandPlan());

// (u, v) as they are, normalised by radius; all black for a radius of 0 or below.
void colourAtRadius(const RowKernels &kernels, float radius, const PixelPlane &out,
                    const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                    const BandPlan &plan = BandPlan());

// FlowToColor's radius: the cutoff's, or for a cutoff of 0 or below the longest known vector,
// -1 when none is known.
float flowToColorRadius(int cutoff, const FloatPlane &u, const FloatPlane &v, int rows, int cols,
                        const BandPlan &plan = BandPlan());

void flowToColor(const RowKernels &kernels, int cutoff, const PixelPlane &out, const FloatPlane &u,
                 const FloatPlane &v, int rows, int cols, const BandPlan &plan = BandPlan());

// The grey views of the clamped (u, v): ((c + K) x 255) / (2K) truncated, its low 8 bits in
// all three bytes of the pixel, so -K is 0 and K is 255. Unknown vectors are 0 in both views,
// and a cutoff of 0 makes both views black.
void flowToGrey(const RowKernels &kernels, int cutoff, const PixelPlane &dimX,
                const PixelPlane &dimY, const FloatPlane &u, const FloatPlane &v, int rows,
                int cols, const BandPlan &plan = BandPlan());

// Null clamped planes: the cutoff alone.
int initialFlowCutoff(const RowKernels &kernels, const FloatPlane &flowU, const FloatPlane &flowV,
                      const FloatPlane &clampedU, const FloatPlane &clampedV, int rows, int cols,
                      const BandPlan &plan = BandPlan());

void renderFlowViews(const RowKernels &kernels, int cutoff, std::optional<float> radius,
                     const FloatPlane &flowU, const FloatPlane &flowV, const FlowViewPlanes &out,
                     int rows, int cols, const BandPlan &plan = BandPlan());

} // namespace rowkernels

#endif // KERNEL_PLANES_H
