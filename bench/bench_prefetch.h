#ifndef BENCH_PREFETCH_H
#define BENCH_PREFETCH_H

#include "bench_inputs.h"
#include "bench_timing.h"

#include <QString>

// Windows made while this lives read their neighbours ahead; the benchmark otherwise switches
// that off, so that no case meets another's reading in the background.
class PrefetchOn
{
public:
    PrefetchOn();
    ~PrefetchOn();
    PrefetchOn(const PrefetchOn &) = delete;
    PrefetchOn &operator=(const PrefetchOn &) = delete;
};

// Switches reading ahead off for the windows the benchmark makes from now on.
void switchPrefetchOff();

// A folder holding the flow under three names, dated long enough ago that reading ahead
// trusts it; returns the middle one's path.
QString prefetchFolder(const BenchFlow &flow, const QString &workDir);

// step/: "Next File" onto a neighbour read ahead, from the key to the pixmaps on the layers,
// against decoding the colour view's PNG.
PairTiming benchPrefetchedStep(const BenchFlow &flow, const QString &workDir,
                               const TimingPlan &plan);

#endif // BENCH_PREFETCH_H
