#ifndef BENCH_CASES_H
#define BENCH_CASES_H

#include "bench_inputs.h"
#include "bench_timing.h"

#include <QString>

#include <functional>
#include <vector>

// The reference of the open/ cases: a user who pre-renders flows to PNG decodes the PNG at
// path and makes the pixmap a layer would show.
std::function<void()> pngReference(const QString &path);

// read/: the viewer's read through one descriptor into allocated planes, against read() of
// the file's bytes.
PairTiming benchRead(const BenchFlow &flow, const TimingPlan &plan);

// open/: LoadCurrentFile from the call to the pixmaps on the layers, against decoding the
// colour view's PNG with QImage and making a pixmap of it.
PairTiming benchOpen(const BenchFlow &flow, const TimingPlan &plan);

// recolour/: one slider step through SetFlowCutoff to the pixmaps on the layers, against the
// same PNG reference; all flows in the same rounds.
std::vector<PairTiming> benchRecolour(const std::vector<BenchFlow> &flows, const TimingPlan &plan);

#endif // BENCH_CASES_H
