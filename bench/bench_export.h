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
// (referenceMs), as files per second. False when the flows cannot be written or a run fails.
bool benchExportBatch(const QString &workDir, int files, int rows, int cols, const TimingPlan &plan,
                      PairTiming *timing);

#endif // BENCH_EXPORT_H
