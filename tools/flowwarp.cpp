// flowwarp: checks optical flow against its frames by warping the second back onto the first.

#include "cli_common.h"
#include "flowwarp_options.h"
#include "ordered_batch.h"
#include "progress_line.h"
#include "report_text.h"
#include "warp_job.h"
#include "warp_report.h"

#include "cerror.h"
#include "flo_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cstdio>

namespace {

const QString kTool = QStringLiteral("flowwarp");

// An output over an input, or two outputs to one name, refuses the run before anything is
// read or written.
QString findClash(const FlowWarpOptions &o, const QList<WarpJob> &jobs)
{
    OutputClaims claims;
    for (const WarpJob &job : jobs)
        for (const QString &input : {job.flow, job.frame1, job.frame2, job.backward})
            claims.claimInput(input);
    QString clash;
    if (o.csv != QLatin1String("-"))
        clash = claims.claim(o.csv, QStringLiteral("--csv"));
    if (clash.isEmpty() && o.json != QLatin1String("-"))
        clash = claims.claim(o.json, QStringLiteral("--json"));
    for (const WarpJob &job : jobs)
        for (const QString &picture : {job.warped, job.error, job.occlusion})
            if (clash.isEmpty())
                clash = claims.claim(picture, job.flow);
    return clash;
}

int run(const FlowWarpOptions &o)
{
    QList<WarpJob> jobs;
    QStringList folders;
    QString error;
    if (!warpJobs(o, &jobs, &folders, &error))
        return usageError(kTool, error);
    const QString clash = findClash(o, jobs);
    if (!clash.isEmpty())
        return usageError(kTool, clash);
    for (const QString &folder : std::as_const(folders))
        if (!QDir().mkpath(folder)) {
            printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, folder));
            return kSomeFailed;
        }

    ProgressLine progress(!o.quiet && jobs.size() > kFewInputs, int(jobs.size()));
    PerWorker<FloReadBuffer> buffers(o.threads);
    const BandPlan bands = bandsPerItem(o.threads, int(jobs.size()));
    QList<WarpRecord> records;
    int failed = 0;
    runOrdered<WarpOutcome>(
        int(jobs.size()), o.threads,
        [&](int item, int worker) { return runWarpJob(jobs.at(item), buffers[worker], bands); },
        [&](int item, WarpOutcome &outcome) {
            progress.show(item + 1, jobs.at(item).flow);
            for (const QString &message : std::as_const(outcome.errors))
                progress.message(message);
            if (outcome.checked)
                records.append(outcome.record);
            if (!outcome.checked || !outcome.errors.isEmpty())
                ++failed;
        });
    progress.clear();

    bool written = true;
    if (o.printsTable())
        written = writeOutput(kTool, QStringLiteral("-"), warpTable(records), progress);
    if (!o.csv.isEmpty())
        written = writeOutput(kTool, o.csv, warpCsv(records), progress) && written;
    if (!o.json.isEmpty())
        written = writeOutput(kTool, o.json, warpJson(records), progress) && written;
    if (failed > 0 && !o.quiet)
        printTo(stderr, QStringLiteral("%1: %2 of %3 flows not checked\n")
                            .arg(kTool)
                            .arg(failed)
                            .arg(jobs.size()));
    return failed > 0 || !written ? kSomeFailed : kAllWritten;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const FlowWarpCommandLine command =
        parseFlowWarpCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
    switch (command.action) {
    case FlowWarpCommandLine::ShowHelp:
    case FlowWarpCommandLine::ShowVersion:
        printTo(stdout, command.text);
        return kAllWritten;
    case FlowWarpCommandLine::UsageError:
        return usageError(kTool, command.text);
    case FlowWarpCommandLine::Run:
        break;
    }
    return run(command.options);
}
