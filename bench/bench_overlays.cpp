#include "bench_overlays.h"

#include "arrow_overlay.h"
#include "flow_statistics.h"
#include "flow_tools.h"
#include "vek_zandor.h"

#include <QAction>
#include <QCoreApplication>
#include <QGraphicsPixmapItem>
#include <QPainter>
#include <QScrollBar>

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

PairTiming benchArrows(const BenchFlow &flow, const TimingPlan &plan)
{
    // A full HD screen of the flow at one picture pixel per screen pixel, from its top-left.
    const QRect screen(0, 0, 1920, 1080);
    Vek_Zandor w;
    openOrExit(w, flow.floPath);
    w.ZoomOriginal();
    w.ui.graphicsView->horizontalScrollBar()->setValue(0);
    w.ui.graphicsView->verticalScrollBar()->setValue(0);
    w.flowTools()->arrows()->action()->setChecked(true);
    settleEvents();
    const std::size_t arrows = w.flowTools()->arrows()->arrowsFor(screen).size();
    if (arrows == 0) {
        std::fprintf(stderr, "flowviewer-bench: only %zu arrows on the screen\n", arrows);
        std::exit(1);
    }

    // Into an image of the format a window's backing store has.
    QImage target(screen.size(), QImage::Format_ARGB32_Premultiplied);
    const QPixmap picture = w.leftLayer->pixmap();
    const auto run = [&] {
        QPainter painter(&target);
        w.flowTools()->arrows()->paintOverlay(painter, screen);
    };
    const auto reference = [&] {
        QPainter painter(&target);
        painter.drawPixmap(screen.topLeft(), picture, screen);
    };
    return timePair(run, reference, plan);
}
