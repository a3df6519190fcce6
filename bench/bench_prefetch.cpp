#include "bench_prefetch.h"

#include "bench_cases.h"
#include "bench_keys.h"
#include "key_browser.h"
#include "neighbour_prefetch.h"
#include "reading_ahead_watch.h"
#include "vek_zandor.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *kSwitch = "FLOWVIEWER_NO_PREFETCH";

void age(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                          QFileDevice::FileModificationTime)) {
        std::fprintf(stderr, "flowviewer-bench: cannot date %s\n", qPrintable(path));
        std::exit(1);
    }
}

} // namespace

PrefetchOn::PrefetchOn()
{
    qunsetenv(kSwitch);
}

PrefetchOn::~PrefetchOn()
{
    switchPrefetchOff();
}

void switchPrefetchOff()
{
    qputenv(kSwitch, "1");
}

QString prefetchFolder(const BenchFlow &flow, const QString &workDir)
{
    const QString folder = linkedFolder(flow, workDir, QStringLiteral("prefetch-"), 3);
    // The names are links to one file: dating one dates them all.
    age(folder + QStringLiteral("/f000.flo"));
    return folder + QStringLiteral("/f001.flo");
}

PairTiming benchPrefetchedStep(const BenchFlow &flow, const QString &workDir,
                               const TimingPlan &plan)
{
    const QString folder = linkedFolder(flow, workDir, QStringLiteral("step-"), 2);
    age(folder + QStringLiteral("/f000.flo"));
    const PrefetchOn on;
    Vek_Zandor w;
    ReadingAheadWatch prefetch(w);
    openFlowOrExit(w, folder + QStringLiteral("/f000.flo"));
    auto *keys = w.findChild<KeyBrowser *>();
    prefetch.waitForNeighbours();
    const auto run = [&] {
        const int taken = prefetch.taken();
        (w.dirIndex == 0 ? keys->nextAction() : keys->previousAction())->trigger();
        QCoreApplication::sendPostedEvents(keys, QEvent::MetaCall);
        if (prefetch.taken() != taken + 1 || !w.hasImage) {
            std::fprintf(stderr, "flowviewer-bench: a step found no neighbour read ahead\n");
            std::exit(1);
        }
    };
    const auto settle = [&] { prefetch.waitForNeighbours(); };
    return timePair(run, pngReference(flow.pngPath), plan, settle);
}
