#ifndef BENCH_EVAL_H
#define BENCH_EVAL_H

#include "bench_inputs.h"
#include "bench_timing.h"

// eval/: floweval's work on one pair, the ground truth flow and an estimate near it, both
// read and evaluated without a picture (with occlusions, an occlusion mask read too), against
// reading both files through the same reader. False when the files cannot be written.
bool benchEvalPair(const BenchFlow &truth, const QString &workDir, bool occlusions,
                   const TimingPlan &plan, PairTiming *timing);

// eval-batch: pairs of rows x cols flows, each with an occlusion mask, evaluated on two
// threads (caseMs) and on one (referenceMs), as pairs per second. False when the files cannot
// be written.
bool benchEvalBatch(const QString &workDir, int pairs, int rows, int cols, const TimingPlan &plan,
                    PairTiming *timing);

// What two threads gain over one on this machine at this moment, for a plain loop that shares
// nothing: the ceiling for eval-batch when other work holds a core.
double twoThreadCeiling(const TimingPlan &plan);

#endif // BENCH_EVAL_H
