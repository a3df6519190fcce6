// floweval: holds estimated flows against their ground truth and prints the benchmark figures.

#include "cli_common.h"
#include "eval_csv.h"
#include "eval_pair.h"
#include "eval_report.h"
#include "floweval_options.h"
#include "ordered_batch.h"
#include "progress_line.h"
#include "report_text.h"

#include "atomic_output.h"
#include "cerror.h"
#include "flo_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString kTool = QStringLiteral("floweval");

// The table, the CSV and the JSON document the options ask for. False when any failed.
// A merge writes its shard cells empty, as the whole run does.
bool writeResults(const FlowEvalOptions &o, const EvalLayout &layout,
                  const QList<PairRecord> &records, ProgressLine &progress)
{
    const QList<EvalRow> rows = evalRows(records, layout.average);
    const QString shard = o.shardText();
    bool written = true;
    if (o.printsTable())
        written = writeOutput(kTool, QStringLiteral("-"), evalTable(rows, layout), progress);
    if (!o.csv.isEmpty())
        written = writeOutput(kTool, o.csv, evalCsv(rows, layout, shard), progress) && written;
    if (!o.json.isEmpty())
        written = writeOutput(kTool, o.json, evalJson(rows, layout, shard), progress) && written;
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
        if (!pairFolders(o.estimate, o.groundTruth, o.recursive, &jobs, &error))
            return usageError(kTool, error);
    } else {
        EvalJob job;
        job.estimate = o.estimate;
        job.groundTruth = o.groundTruth;
        jobs.append(job);
    }
    const QList<EvalJob> all = jobs;
    jobs = shardOf(all, o.shard, o.shards);
    findMasks({o.occlusions, o.objects, o.exclusions}, &jobs);
    QStringList pictureFolders;
    for (EvalJob &job : jobs) {
        if (!o.epeDir.isEmpty()) {
            // Scenes repeat their frames' names: each keeps its pictures in its own folder.
            const QString folder = job.folder.isEmpty() || job.folder == QLatin1String(".")
                                       ? o.epeDir
                                       : QDir(o.epeDir).filePath(job.folder);
            job.epePicture = epePictureName(job.estimate, folder, o.epeSuffix);
            if (!pictureFolders.contains(folder))
                pictureFolders << folder;
        } else if (!o.epe.isEmpty()) {
            job.epePicture = o.epe;
        }
    }
    const QString clash = findClash(o, all, jobs);
    if (!clash.isEmpty())
        return usageError(kTool, clash);
    if (!o.epeDir.isEmpty())
        pictureFolders << o.epeDir;
    for (const QString &folder : std::as_const(pictureFolders))
        if (!QDir().mkpath(folder)) {
            printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, folder));
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

    const bool written = writeResults(o, o.layout(), records, progress);
    if (failed > 0 && !o.quiet)
        printTo(stderr, QStringLiteral("%1: %2 of %3 pairs not evaluated\n")
                            .arg(kTool)
                            .arg(failed)
                            .arg(jobs.size()));
    return failed > 0 || !written ? kSomeFailed : kAllWritten;
}

// How a message names a shard.
QString shardName(const QString &shard)
{
    return shard.isEmpty() ? QStringLiteral("a run without --shard")
                           : QStringLiteral("shard ") + shard;
}

// The shard cell "K/N" as numbers; a whole run is shard 0 of 1.
bool readShard(const QString &text, int *k, int *n)
{
    if (text.isEmpty()) {
        *k = 0;
        *n = 1;
        return true;
    }
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    bool kOk = false;
    bool nOk = false;
    *k = text.left(slash).toInt(&kOk);
    *n = text.mid(slash + 1).toInt(&nOk);
    return slash > 0 && kOk && nOk && *n > 0 && *k >= 0 && *k < *n;
}

// How the runs of two CSV files differ, for a merge's refusal.
QString layoutDifference(const EvalLayout &a, const EvalLayout &b)
{
    if (a.average != b.average)
        return QStringLiteral("one averages per %1, the other per %2")
            .arg(averageName(a.average), averageName(b.average));
    if (a.occlusions != b.occlusions)
        return QStringLiteral("only one has occlusion masks (--occ)");
    return QStringLiteral("only one has object maps (--fg)");
}

// Every file read, then the set checked as a whole: a merge that could lose a shard, or count
// one twice, writes nothing.
int merge(const FlowEvalOptions &o)
{
    const QString clash = findClash(o, {}, {});
    if (!clash.isEmpty())
        return usageError(kTool, clash);
    ProgressLine progress(false, 0);
    QStringList problems;
    QList<PairRecord> records;
    QHash<QString, QString> source; // estimate -> the file its row came from
    QMap<int, QString> shardFiles;  // K -> the file holding it
    QString firstFile;              // the file that set the number of shards
    int shards = 0;
    QString nestedFile; // a file of a run with -r, and one without
    QString flatFile;
    EvalLayout layout; // the first file's, which every other must share
    for (const QString &input : o.mergeInputs) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            problems << QStringLiteral("%1: %2").arg(input, file.errorString());
            continue;
        }
        EvalCsvContent content;
        QString error;
        int k = 0;
        int n = 0;
        if (!readEvalCsv(file.readAll(), &content, &error)) {
            problems << QStringLiteral("%1: %2").arg(input, error);
            continue;
        }
        if (!readShard(content.shard, &k, &n)) {
            problems << QStringLiteral("%1: '%2' is not a shard K/N").arg(input, content.shard);
            continue;
        }
        if (shards == 0) {
            shards = n;
            firstFile = input;
            layout = content.layout;
        } else if (!(content.layout == layout)) {
            problems << QStringLiteral("%1 and %2 are of different runs: %3")
                            .arg(firstFile, input, layoutDifference(layout, content.layout));
            continue;
        } else if (n != shards) {
            problems << QStringLiteral("%1 is %2 but %3 is of %4 shards: the files disagree on "
                                       "the number of shards")
                            .arg(input, shardName(content.shard), firstFile)
                            .arg(shards);
            continue;
        }
        if (shardFiles.contains(k)) {
            problems << QStringLiteral("%1 appears in %2 and again in %3")
                            .arg(shardName(content.shard), shardFiles.value(k), input);
            continue;
        }
        shardFiles.insert(k, input);
        if (!content.records.isEmpty())
            (content.nested ? nestedFile : flatFile) = input;
        for (const PairRecord &row : std::as_const(content.records)) {
            const auto seen = source.constFind(row.estimate);
            if (seen != source.constEnd()) {
                problems << QStringLiteral("%1 appears in %2 and again in %3")
                                .arg(row.estimate, *seen, input);
                continue;
            }
            source.insert(row.estimate, input);
            records.append(row);
        }
    }
    if (!nestedFile.isEmpty() && !flatFile.isEmpty())
        problems << QStringLiteral("%1 is of a run with -r, %2 of one without")
                        .arg(nestedFile, flatFile);
    QStringList missing;
    for (int k = 0; k < shards; ++k)
        if (!shardFiles.contains(k))
            missing << QStringLiteral("%1/%2").arg(k).arg(shards);
    if (!missing.isEmpty())
        problems << (missing.size() == 1 ? QStringLiteral("shard %1 is missing")
                                         : QStringLiteral("shards %1 are missing"))
                        .arg(missing.join(QStringLiteral(", ")));
    if (!problems.isEmpty()) {
        for (const QString &problem : std::as_const(problems))
            progress.message(kTool + QStringLiteral(": ") + problem);
        progress.message(QStringLiteral("%1: nothing merged").arg(kTool));
        return kSomeFailed;
    }
    // The order of one whole run, so that the pooled sums come out to the same bits.
    std::stable_sort(records.begin(), records.end(), [](const PairRecord &a, const PairRecord &b) {
        if (a.folder != b.folder)
            return folderComesBefore(a.folder, b.folder);
        return comesBefore(a.estimate, b.estimate);
    });
    if (o.averageSet)
        layout.average = o.average;
    return writeResults(o, layout, records, progress) ? kAllWritten : kSomeFailed;
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
