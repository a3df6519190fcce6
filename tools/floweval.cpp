// floweval: holds estimated flows against their ground truth and prints the benchmark figures.

#include "cli_common.h"
#include "eval_csv.h"
#include "eval_pair.h"
#include "eval_report.h"
#include "floweval_options.h"
#include "ordered_batch.h"
#include "progress_line.h"

#include "atomic_output.h"
#include "cerror.h"
#include "flo_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString kTool = QStringLiteral("floweval");

// Writes bytes to name, or to standard output for "-"; a file only whole, under its name once
// complete. False, with the reason reported, when it cannot.
bool writeOutput(const QString &name, const QByteArray &bytes, ProgressLine &progress)
{
    if (name == QLatin1String("-")) {
        errno = 0;
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        if (std::fflush(stdout) == 0 && !std::ferror(stdout))
            return true;
        const int error = errno;
        progress.message(QStringLiteral("%1: cannot write to standard output: %2")
                             .arg(kTool, QString::fromLocal8Bit(std::strerror(error))));
        return false;
    }
    try {
        AtomicOutput output(QFile::encodeName(name).constData());
        output.write(bytes.constData(), std::size_t(bytes.size()));
        output.commit();
        return true;
    } catch (const CError &error) {
        progress.message(inputMessage(kTool, name, QString::fromLocal8Bit(error.text)));
    }
    return false;
}

// The table, the CSV and the JSON document the options ask for. False when any failed.
bool writeResults(const FlowEvalOptions &o, const QList<PairRecord> &records,
                  ProgressLine &progress)
{
    const EvalSums pooled = pooledSums(records);
    bool written = true;
    if (o.printsTable())
        written = writeOutput(QStringLiteral("-"), evalTable(records, pooled), progress);
    if (!o.csv.isEmpty())
        written = writeOutput(o.csv, evalCsv(records, pooled), progress) && written;
    if (!o.json.isEmpty())
        written = writeOutput(o.json, evalJson(records, pooled), progress) && written;
    return written;
}

// What refuses the run before anything is read or written: an output over an input of any
// shard, or two outputs to one name.
QString findClash(const FlowEvalOptions &o, const QList<EvalJob> &all, const QList<EvalJob> &jobs)
{
    OutputClaims claims;
    for (const EvalJob &job : all)
        for (const QString &input : {job.estimate, job.groundTruth})
            if (!input.isEmpty())
                claims.claimInput(input);
    for (const QString &input : o.mergeInputs)
        claims.claimInput(input);
    QString clash;
    if (o.csv != QLatin1String("-"))
        clash = claims.claim(o.csv, QStringLiteral("--csv"));
    if (clash.isEmpty() && o.json != QLatin1String("-"))
        clash = claims.claim(o.json, QStringLiteral("--json"));
    for (const EvalJob &job : jobs)
        if (clash.isEmpty())
            clash = claims.claim(job.epePicture, job.estimate);
    return clash;
}

int evaluate(const FlowEvalOptions &o)
{
    QList<EvalJob> jobs;
    if (o.folders) {
        QString error;
        if (!pairFolders(o.estimate, o.groundTruth, &jobs, &error))
            return usageError(kTool, error);
    } else {
        jobs.append({o.estimate, o.groundTruth, QString(), QString()});
    }
    const QList<EvalJob> all = jobs;
    jobs = shardOf(all, o.shard, o.shards);
    for (EvalJob &job : jobs) {
        if (!o.epeDir.isEmpty())
            job.epePicture = epePictureName(job.estimate, o.epeDir);
        else if (!o.epe.isEmpty())
            job.epePicture = o.epe;
    }
    const QString clash = findClash(o, all, jobs);
    if (!clash.isEmpty())
        return usageError(kTool, clash);
    if (!o.epeDir.isEmpty() && !QDir().mkpath(o.epeDir)) {
        printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, o.epeDir));
        return kSomeFailed;
    }

    ProgressLine progress(!o.quiet && jobs.size() > kFewInputs, int(jobs.size()));
    PerWorker<FloReadBuffer> buffers(o.threads);
    const BandPlan bands = bandsPerItem(o.threads, int(jobs.size()));
    QList<PairRecord> records;
    int failed = 0;
    runOrdered<PairOutcome>(
        int(jobs.size()), o.threads,
        [&](int item, int worker) { return evaluatePair(jobs.at(item), buffers[worker], bands); },
        [&](int item, PairOutcome &outcome) {
            progress.show(item + 1, jobs.at(item).estimate);
            for (const QString &error : std::as_const(outcome.errors))
                progress.message(error);
            if (outcome.evaluated)
                records.append(outcome.record);
            if (!outcome.evaluated || !outcome.errors.isEmpty())
                ++failed;
        });
    progress.clear();

    const bool written = writeResults(o, records, progress);
    if (failed > 0 && !o.quiet)
        printTo(stderr, QStringLiteral("%1: %2 of %3 pairs not evaluated\n")
                            .arg(kTool)
                            .arg(failed)
                            .arg(jobs.size()));
    return failed > 0 || !written ? kSomeFailed : kAllWritten;
}

int merge(const FlowEvalOptions &o)
{
    const QString clash = findClash(o, {}, {});
    if (!clash.isEmpty())
        return usageError(kTool, clash);
    ProgressLine progress(false, 0);
    QList<PairRecord> records;
    QHash<QString, QString> source; // estimate -> the file its row came from
    bool failed = false;
    for (const QString &input : o.mergeInputs) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            progress.message(QStringLiteral("%1: %2: %3").arg(kTool, input, file.errorString()));
            failed = true;
            continue;
        }
        QList<PairRecord> rows;
        QString error;
        if (!readEvalCsv(file.readAll(), &rows, &error)) {
            progress.message(QStringLiteral("%1: %2: %3").arg(kTool, input, error));
            failed = true;
            continue;
        }
        for (const PairRecord &row : std::as_const(rows)) {
            // Pooling one pair twice would weigh it double; the first row stands.
            const auto seen = source.constFind(row.estimate);
            if (seen != source.constEnd()) {
                progress.message(QStringLiteral("%1: %2 appears in %3 and again in %4; the "
                                                "second is left out")
                                     .arg(kTool, row.estimate, *seen, input));
                failed = true;
                continue;
            }
            source.insert(row.estimate, input);
            records.append(row);
        }
    }
    // The order of one unsharded run, so that the pooled sums come out to the same bits.
    std::stable_sort(records.begin(), records.end(), [](const PairRecord &a, const PairRecord &b) {
        return comesBefore(a.estimate, b.estimate);
    });
    const bool written = writeResults(o, records, progress);
    return failed || !written ? kSomeFailed : kAllWritten;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const FlowEvalCommandLine command =
        parseFlowEvalCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
    switch (command.action) {
    case FlowEvalCommandLine::ShowHelp:
    case FlowEvalCommandLine::ShowVersion:
        printTo(stdout, command.text);
        return kAllWritten;
    case FlowEvalCommandLine::UsageError:
        return usageError(kTool, command.text);
    case FlowEvalCommandLine::Run:
        break;
    }
    return command.options.merging() ? merge(command.options) : evaluate(command.options);
}
