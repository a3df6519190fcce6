#include "bench_memory.h"

#include "bench_prefetch.h"
#include "bench_timing.h"
#include "neighbour_prefetch.h"
#include "reading_ahead_watch.h"
#include "vek_zandor.h"

#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <vector>

namespace {

// Peak resident set size in bytes, from the kernel's own record; -1 when unavailable.
long long peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            const QByteArray kb = line.mid(6).trimmed().split(' ').value(0);
            bool ok = false;
            const long long value = kb.toLongLong(&ok);
            return ok ? value * 1024 : -1;
        }
    }
    return -1;
}

// Makes the peak start again from the current size, so that a transient peak of the start-up
// cannot hide the open's growth. Kernels without the feature keep the old peak, which can only
// make the growth look smaller, never larger.
void resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

} // namespace

int runMemoryChild(const QString &floPath, bool prefetch)
{
    std::unique_ptr<PrefetchOn> on;
    if (prefetch)
        on = std::make_unique<PrefetchOn>();
    Vek_Zandor w;
    ReadingAheadWatch watch(w);
    QCoreApplication::processEvents();
    resetPeak();
    const long long before = peakResidentBytes();
    w.filePath = floPath;
    w.browseByStep = false;
    w.LoadCurrentFile();
    if (prefetch) {
        watch.waitForNeighbours();
        if (watch.kept() != 2)
            return 1;
    }
    const long long after = peakResidentBytes();
    if (!w.hasImage || !w.isFlow || before < 0 || after < 0)
        return 1;
    std::printf("%lld\n", after - before);
    return 0;
}

double memoryBytesPerPixel(const BenchFlow &flow, int runs, const QString &prefetchPath)
{
    QStringList arguments{QString::fromLatin1(kMemoryChildOption),
                          prefetchPath.isEmpty() ? flow.floPath : prefetchPath};
    if (!prefetchPath.isEmpty())
        arguments << QString::fromLatin1(kPrefetchOption);
    std::vector<double> perPixel;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), arguments);
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
            child.exitCode() != 0)
            return -1;
        bool ok = false;
        const long long growth = child.readAllStandardOutput().trimmed().toLongLong(&ok);
        if (!ok)
            return -1;
        perPixel.push_back(double(growth) / (double(flow.rows) * flow.cols));
    }
    return median(perPixel);
}
