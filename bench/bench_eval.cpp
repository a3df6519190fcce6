#include "bench_eval.h"

#include "eval_pair.h"
#include "ordered_batch.h"

#include "cerror.h"
#include "flow_format.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// An estimate a network might give: the truth with a ripple of up to a few pixels.
FlowField estimateNear(const FlowField &truth, int seed)
{
    const int rows = truth.u.rows();
    const int cols = truth.u.cols();
    FlowField estimate{vek_alloc_2(rows, cols), vek_alloc_2(rows, cols)};
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const int gain = 1 + x * 8 / cols;
            estimate.u[y][x] =
                truth.u[y][x] + float(((x * 7 + y * 13 + seed) % 33 - 16) * gain) / 64;
            estimate.v[y][x] = truth.v[y][x] + float(((x * 11 + y * 5) % 29 - 14) * gain) / 64;
        }
    return estimate;
}

bool writeEstimate(const FlowField &truth, int seed, const QString &path)
{
    try {
        const FlowField estimate = estimateNear(truth, seed);
        writeFlow(FlowFormat::Flo, estimate.u, estimate.v, QFile::encodeName(path).constData());
        return true;
    } catch (const CError &error) {
        std::fprintf(stderr, "flowviewer-bench: %s\n", error.text);
        return false;
    }
}

// An occlusion mask a scene might have: bands of occluded pixels along moving edges.
QString writeOcclusionMask(const QString &folder, int rows, int cols)
{
    QImage mask(cols, rows, QImage::Format_Grayscale8);
    for (int y = 0; y < rows; ++y) {
        std::uint8_t *row = mask.scanLine(y);
        for (int x = 0; x < cols; ++x)
            row[x] = (x + 3 * y) % 97 < 4 ? 255 : 0;
    }
    const QString path = folder + QStringLiteral("/occlusions.png");
    return mask.save(path) ? path : QString();
}

void evaluateOrExit(const EvalJob &job, FloReadBuffer &buffer)
{
    const PairOutcome outcome = evaluatePair(job, buffer);
    if (outcome.evaluated && outcome.errors.isEmpty())
        return;
    std::fprintf(stderr, "flowviewer-bench: %s\n", qPrintable(outcome.errors.join('\n')));
    std::exit(1);
}

// Enough arithmetic for a few milliseconds, kept from being optimised away.
double plainWork(int item)
{
    double s = item;
    for (int i = 0; i < 2000000; ++i)
        s = s * 0.999999 + 1.0;
    return s;
}

} // namespace

double twoThreadCeiling(const TimingPlan &plan)
{
    const auto batch = [](int threads) {
        double total = 0;
        runOrdered<double>(
            40, threads, [](int item, int) { return plainWork(item); },
            [&total](int, double &s) { total += s; });
        if (total < 0)
            std::printf("%g\n", total);
    };
    const PairTiming ms = timePair([&] { batch(2); }, [&] { batch(1); }, plan);
    return ms.caseMs > 0 ? ms.referenceMs / ms.caseMs : 0;
}

bool benchEvalPair(const BenchFlow &truth, const QString &workDir, bool occlusions,
                   const TimingPlan &plan, PairTiming *timing)
{
    const QString estimatePath = workDir + QStringLiteral("/eval_estimate.flo");
    const QByteArray truthName = QFile::encodeName(truth.floPath);
    if (!writeEstimate(*readFlow(truthName.constData(), FlowRule::FloByName), 0, estimatePath))
        return false;
    const QByteArray estimateName = QFile::encodeName(estimatePath);
    EvalJob job;
    job.estimate = estimatePath;
    job.groundTruth = truth.floPath;
    if (occlusions && (job.occlusions = writeOcclusionMask(workDir, truth.rows, truth.cols))
                          .isEmpty())
        return false;
    FloReadBuffer buffer;
    *timing = timePair([&] { evaluateOrExit(job, buffer); },
                       [&] {
                           const FlowField e =
                               *readFlow(estimateName.constData(), FlowRule::FloByName, {&buffer});
                           const FlowField g =
                               *readFlow(truthName.constData(), FlowRule::FloByName, {&buffer});
                       },
                       plan);
    return true;
}

bool benchEvalBatch(const QString &workDir, int pairs, int rows, int cols, const TimingPlan &plan,
                    PairTiming *timing)
{
    const QString folder = workDir + QStringLiteral("/eval_batch");
    QDir().mkpath(folder);
    std::vector<float> uv;
    generateFlow(rows, cols, uv);
    const QString truthPath = folder + QStringLiteral("/truth.flo");
    if (!writeFloFile(truthPath, rows, cols, uv))
        return false;
    const FlowField truth =
        *readFlow(QFile::encodeName(truthPath).constData(), FlowRule::FloByName);
    const QString mask = writeOcclusionMask(folder, rows, cols);
    if (mask.isEmpty())
        return false;
    QList<EvalJob> jobs;
    for (int i = 0; i < pairs; ++i) {
        const QString name = folder + QStringLiteral("/%1").arg(i, 4, 10, QLatin1Char('0'));
        if (!writeFloFile(name + QStringLiteral("_gt.flo"), rows, cols, uv) ||
            !writeEstimate(truth, i, name + QStringLiteral("_est.flo")))
            return false;
        EvalJob job;
        job.estimate = name + QStringLiteral("_est.flo");
        job.groundTruth = name + QStringLiteral("_gt.flo");
        job.occlusions = mask;
        jobs.append(job);
    }

    std::vector<std::unique_ptr<FloReadBuffer>> buffers;
    for (int i = 0; i < 2; ++i)
        buffers.push_back(std::make_unique<FloReadBuffer>());
    const auto batch = [&](int threads) {
        EvalSums pooled;
        runOrdered<PairOutcome>(
            pairs, threads,
            [&](int item, int worker) {
                return evaluatePair(jobs.at(item), *buffers[std::size_t(worker)],
                                    bandsPerItem(threads, pairs));
            },
            [&](int, PairOutcome &outcome) {
                if (!outcome.evaluated) {
                    std::fprintf(stderr, "flowviewer-bench: %s\n",
                                 qPrintable(outcome.errors.join('\n')));
                    std::exit(1);
                }
                pooled += outcome.record.sums;
            });
    };
    const PairTiming ms = timePair([&] { batch(2); }, [&] { batch(1); }, plan);
    *timing = {pairs * 1000.0 / ms.caseMs, pairs * 1000.0 / ms.referenceMs};
    return true;
}
