#ifndef BENCH_EXPORT_H
#define BENCH_EXPORT_H

#include "bench_inputs.h"
#include "bench_timing.h"

// export/: flo2png's own road for one flow (read, colour, PNG written to a file), against Qt's
// PNG writer with its defaults writing the same colour view to a file. False when the flow
// cannot be drawn.
bool benchExport(const BenchFlow &flow, const QString &workDir, const TimingPlan &plan,
                 PairTiming *timing);

// export-batch: files flows of rows x cols through the built flo2png with -j2 (caseMs) and -j1
// (referenceMs), as files per second. fixedMs is what a -j1 run spends whatever the count of
// its flows (starting, the first flow's fresh memory, ending), found from a run of one flow in
// the same rounds; two threads cannot shorten it. False when the flows cannot be written or a
// run fails.
bool benchExportBatch(const QString &workDir, int files, int rows, int cols, const TimingPlan &plan,
                      PairTiming *timing, double *fixedMs);

// The most two threads gaining gain on every flow can give over one, when fixedMs of a run
// taking oneThreadMs on one thread does not shrink.
double exportBatchCeiling(double oneThreadMs, double fixedMs, double gain);

#endif // BENCH_EXPORT_H
