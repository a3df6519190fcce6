#ifndef MAGNITUDE_PASS_H
#define MAGNITUDE_PASS_H

// The statistics through the given magnitude kernels: the public routines are these with the
// chosen kernels. Tests pass each set this processor runs, and small selection settings to
// drive every road of the selection.

#include "flow_statistics.h"
#include "magnitude_kernels.h"

namespace magnitudes {

// How the ranks are selected: directly among all known magnitudes when there are at most
// directLimit of them; otherwise a sample of sampleSize magnitudes brackets each rank (by
// spread standard deviations of its place in the sample), one pass counts around the brackets,
// and selection runs among the few magnitudes inside. A rank outside its bracket is selected
// among all known magnitudes.
//
// With two bands (plan) each thread takes the magnitudes of half the rows, and then the
// counting of the magnitudes in pieces, while one of them also carries the magnitudes' sum
// through the second half's rows from where the first half left it: the sum is taken in the
// order one thread takes it, and so is every other figure.
struct SelectionTuning {
    std::uint64_t directLimit = std::uint64_t(1) << 16;
    int sampleSize = 1 << 14;
    double spread = 4.0;
};

FlowStatistics computeFlowStatistics(const MagnitudeKernels &kernels, const FloatPlane &u,
                                     const FloatPlane &v, int rows, int cols,
                                     MagnitudeScratch &scratch,
                                     const SelectionTuning &tuning = SelectionTuning(),
                                     const BandPlan &plan = BandPlan());

float percentileMagnitude(const MagnitudeKernels &kernels, const FloatPlane &u, const FloatPlane &v,
                          int rows, int cols, double percentile, MagnitudeScratch &scratch,
                          const SelectionTuning &tuning = SelectionTuning(),
                          const BandPlan &plan = BandPlan());

} // namespace magnitudes

#endif // MAGNITUDE_PASS_H
