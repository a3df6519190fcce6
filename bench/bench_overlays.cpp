#include "bench_overlays.h"

#include "flow_statistics.h"
#include "vek_zandor.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

void openOrExit(Vek_Zandor &w, const QString &path)
{
    w.filePath = path;
    w.browseByStep = false;
    w.LoadCurrentFile();
    if (!w.hasImage || !w.isFlow) {
        std::fprintf(stderr, "flowviewer-bench: cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
}

void settleEvents()
{
    QCoreApplication::processEvents();
}

} // namespace

PairTiming benchStatistics(const BenchFlow &flow, const TimingPlan &plan)
{
    Vek_Zandor w;
    openOrExit(w, flow.floPath);
    settleEvents();
    MagnitudeScratch scratch;
    std::uint64_t known = 0;
    const auto run = [&] {
        known = ComputeFlowStatistics(w.flowU, w.flowV, w.rows, w.cols, scratch).known;
    };
    const int high = std::max(2, flow.stepCutoff);
    int next = high;
    const auto recolour = [&] {
        w.SetFlowCutoff(next);
        next = next == high ? high - 1 : high;
    };
    const PairTiming t = timePair(run, recolour, plan, settleEvents);
    if (known == 0) {
        std::fprintf(stderr, "flowviewer-bench: no known vector in %s\n", qPrintable(flow.name));
        std::exit(1);
    }
    return t;
}

PairTiming benchArrows(const BenchFlow &, const TimingPlan &)
{
    return {};
}
