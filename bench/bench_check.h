#ifndef BENCH_CHECK_H
#define BENCH_CHECK_H

#include "bench_inputs.h"
#include "bench_timing.h"

// check/: the frame check of one triple already in memory (warp, error picture and figures,
// and consistency with a backward flow), as the viewer runs it on each step, against one
// decode of frame 1's PNG by Qt. The recorded Sintel frames when the flow is the recorded
// one, else frames of noise written to workDir. False when they cannot be had.
bool benchCheck(const BenchFlow &flow, const QString &dataDir, const QString &workDir,
                const TimingPlan &plan, PairTiming *timing);

#endif // BENCH_CHECK_H
