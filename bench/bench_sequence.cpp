#include "bench_sequence.h"

#include "bench_prefetch.h"
#include "playback.h"
#include "vek_zandor.h"

#include "cerror.h"
#include "flow_format.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {

// Columns the scene moves between frames.
constexpr int kPanColumns = 8;

bool runFlo2Png(const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(QStringLiteral(FLOWVIEWER_FLO2PNG), arguments);
    return tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

} // namespace

QStringList sequenceFolder(const BenchFlow &flow, const QString &workDir, int count)
{
    std::optional<FlowField> field;
    try {
        field = readFlow(QFile::encodeName(flow.floPath).constData(), FlowRule::ByContent);
    } catch (const CError &error) {
        std::fprintf(stderr, "flowviewer-bench: %s\n", error.text);
        return {};
    }
    const int rows = field->u.rows(), cols = field->u.cols();
    const QString folder = workDir + QStringLiteral("/sequence-") + flow.name;
    QDir().mkpath(folder);
    QStringList paths;
    std::vector<float> uv(std::size_t(rows) * std::size_t(cols) * 2);
    for (int i = 0; i < count; ++i) {
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < cols; ++x) {
                const int from = (x + i * kPanColumns) % cols;
                const std::size_t at = (std::size_t(y) * std::size_t(cols) + std::size_t(x)) * 2;
                uv[at] = field->u[y][from];
                uv[at + 1] = field->v[y][from];
            }
        }
        const QString path = folder + QStringLiteral("/f%1.flo").arg(i, 3, 10, QLatin1Char('0'));
        QFile file(path);
        if (!writeFloFile(path, rows, cols, uv) || !file.open(QIODevice::ReadWrite) ||
            !file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                              QFileDevice::FileModificationTime))
            return {};
        paths << path;
    }
    return paths;
}

bool benchVideo(const QStringList &flows, const QString &workDir, int threads,
                const TimingPlan &plan, PairTiming *timing)
{
    const QStringList common{QStringLiteral("-q"), QStringLiteral("-j%1").arg(threads)};
    bool ok = true;
    const std::vector<double> ms =
        timeRoundRobin({[&] {
                            ok = runFlo2Png(common +
                                            QStringList{QStringLiteral("--video"),
                                                        workDir + QStringLiteral("/sequence.mp4")} +
                                            flows) &&
                                 ok;
                        },
                        [&] {
                            ok = runFlo2Png(common +
                                            QStringList{QStringLiteral("-d"),
                                                        workDir + QStringLiteral("/sequence-png")} +
                                            flows) &&
                                 ok;
                        }},
                       plan);
    *timing = {ms[0], ms[1]};
    return ok;
}

double benchPlay(const QStringList &flows, int fps)
{
    const PrefetchOn on;
    Vek_Zandor w;
    openFlowOrExit(w, flows.first());
    auto *playback = w.findChild<Playback *>();
    playback->setFps(fps);
    playback->setLoop(false);
    playback->play();
    QElapsedTimer limit;
    limit.start();
    while (playback->isPlaying() && limit.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (w.dirIndex != int(flows.size()) - 1) {
        std::fprintf(stderr, "flowviewer-bench: playback stopped before the last flow\n");
        std::exit(1);
    }
    return playback->shownRate();
}
