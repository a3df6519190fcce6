#include "bench_export.h"

#include "flo2png_batch.h"
#include "flow_pictures.h"
#include "plane_image.h"

#include "cerror.h"
#include "flo_file.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

void convertOrExit(const Flo2PngJob &job, const Flo2PngOptions &options, FloReadBuffer &buffer)
{
    const Flo2PngOutcome outcome = convertFlow(job, options, buffer);
    if (outcome.converted)
        return;
    std::fprintf(stderr, "flowviewer-bench: %s\n", qPrintable(outcome.messages.join('\n')));
    std::exit(1);
}

} // namespace

bool benchExport(const BenchFlow &flow, const QString &workDir, const TimingPlan &plan,
                 PairTiming *timing)
{
    FlowPictures pictures;
    try {
        pictures = drawFlowFile(QFile::encodeName(flow.floPath).constData(), ViewChoice());
    } catch (const CError &error) {
        std::fprintf(stderr, "flowviewer-bench: %s\n", error.text);
        return false;
    }
    const QImage view = planeImage(pictures.color);
    const QString qtFile = workDir + QStringLiteral("/export_qt.png");

    const Flo2PngJob job{flow.floPath, workDir + QStringLiteral("/export_ours.png"), QString(),
                         QString(), QString()};
    // As a user runs it: one flow, the machine's threads.
    Flo2PngOptions options;
    options.inputs = QStringList{flow.floPath};
    options.threads = QThread::idealThreadCount();
    FloReadBuffer buffer;
    *timing = timePair([&] { convertOrExit(job, options, buffer); },
                       [&] {
                           QImageWriter writer(qtFile);
                           if (!writer.write(view)) {
                               std::fprintf(stderr, "flowviewer-bench: %s\n",
                                            qPrintable(writer.errorString()));
                               std::exit(1);
                           }
                       },
                       plan);
    return true;
}

bool benchExportBatch(const QString &workDir, int files, int rows, int cols, const TimingPlan &plan,
                      PairTiming *timing, double *fixedMs)
{
    const QString folder = workDir + QStringLiteral("/export_batch");
    QDir().mkpath(folder);
    std::vector<float> uv;
    generateFlow(rows, cols, uv);
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        // Each flow its own, so that no picture is a copy of another.
        uv[std::size_t(i)] += 0.5f;
        const QString name = folder + QStringLiteral("/%1.flo").arg(i, 4, 10, QLatin1Char('0'));
        if (!writeFloFile(name, rows, cols, uv))
            return false;
        inputs << name;
    }

    // The tool itself, as a user runs it: its own process, with its own memory settings.
    bool failed = false;
    const auto batch = [&](int threads, const QStringList &flows) {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start(QStringLiteral(FLOWVIEWER_FLO2PNG),
                   QStringList{QStringLiteral("-q"), QStringLiteral("-j%1").arg(threads),
                               QStringLiteral("-d"), folder + QStringLiteral("/pictures")} +
                       flows);
        failed = !tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit ||
                 tool.exitCode() != 0 || failed;
    };
    const std::vector<double> ms = timeRoundRobin(
        {[&] { batch(2, inputs); }, [&] { batch(1, inputs); }, [&] { batch(1, inputs.mid(0, 1)); }},
        plan);
    *timing = {files * 1000.0 / ms[0], files * 1000.0 / ms[1]};
    const double perFlow = (ms[1] - ms[2]) / std::max(1, files - 1);
    *fixedMs = ms[2] - perFlow;
    return !failed;
}

double exportBatchCeiling(double oneThreadMs, double fixedMs, double gain)
{
    const double flowsMs = oneThreadMs - fixedMs;
    return oneThreadMs / (fixedMs + flowsMs / gain);
}
