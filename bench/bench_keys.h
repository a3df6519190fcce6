#ifndef BENCH_KEYS_H
#define BENCH_KEYS_H

#include "bench_inputs.h"
#include "bench_timing.h"

#include <QString>

// The keyboard's auto-repeat: about 30 presses a second while a key is held.
constexpr double kAutoRepeatMs = 1000.0 / 30.0;

// The flow under names f000.flo, f001.flo, ... in the folder prefix + the flow's name, as links
// to the one file, so that the folder costs no space. Ends the run when it cannot be made.
QString linkedFolder(const BenchFlow &flow, const QString &workDir, const QString &prefix,
                     int names);

// key-step/: one press of "Next File", from the key to the pixmaps on the layers, over a
// folder holding the flow under many names. Returns the median in ms.
double benchKeyStep(const BenchFlow &flow, const QString &workDir, const TimingPlan &plan);

struct KeyHold {
    double lagMs = 0; // from the last press to the end of the last load
    int presses = 0;
    int loads = 0;
};

// key-hold/: "Next File" held for the given time at the auto-repeat rate, the presses arriving
// from another thread as a window system's do, queued behind a running load.
KeyHold benchKeyHold(const BenchFlow &flow, const QString &workDir, double seconds);

#endif // BENCH_KEYS_H
