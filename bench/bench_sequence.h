#ifndef BENCH_SEQUENCE_H
#define BENCH_SEQUENCE_H

#include "bench_inputs.h"
#include "bench_timing.h"

#include <QString>
#include <QStringList>

// count flows made from flow as a camera pan makes them, each shifted a few columns further
// round, dated long enough ago that reading ahead trusts them. Empty when they cannot be made.
QStringList sequenceFolder(const BenchFlow &flow, const QString &workDir, int count);

// video/: flo2png --video to MP4 against flo2png to PNGs, both in processes of their own at
// the same -j, in turns.
bool benchVideo(const QStringList &flows, const QString &workDir, int threads,
                const TimingPlan &plan, PairTiming *timing);

// play/: Play from the first flow to the last at fps, reading ahead: the frames per second
// shown.
double benchPlay(const QStringList &flows, int fps);

#endif // BENCH_SEQUENCE_H
