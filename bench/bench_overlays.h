#ifndef BENCH_OVERLAYS_H
#define BENCH_OVERLAYS_H

#include "bench_inputs.h"
#include "bench_timing.h"

// stats/: the statistics of the flow as every load computes them, against one slider step
// through SetFlowCutoff (the recolour) in the same rounds.
PairTiming benchStatistics(const BenchFlow &flow, const TimingPlan &plan);

// arrows/screen: the arrows laid out and painted over a full HD screen of the flow, against
// painting that screen of the picture itself.
PairTiming benchArrows(const BenchFlow &flow, const TimingPlan &plan);

#endif // BENCH_OVERLAYS_H
