// flowconvert: moves optical-flow files between the formats the viewer reads.

#include "cli_common.h"
#include "conversion_batch.h"
#include "flowconvert_options.h"
#include "ordered_batch.h"
#include "progress_line.h"

#include "cerror.h"
#include "flow_format.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

const QString kTool = QStringLiteral("flowconvert");

// What converting one input came to, for the calling thread to report in input order.
using Outcome = ConversionOutcome;

// Touches nothing shared but the output's folder: any number of threads may convert at once,
// each with its own buffer, a large .flo read in the bands of plan.
Outcome convert(const FlowConvertJob &job, FloReadBuffer &buffer, const BandPlan &plan)
{
    return convertReporting(kTool, job.input, [&](Outcome &outcome) {
        const FlowField flow =
            *readFlow(QFile::encodeName(job.input).constData(), kInputRule, {&buffer, plan});
        const WriteReport report =
            writeFlow(job.format, flow.u, flow.v, QFile::encodeName(job.output).constData());
        if (report.clampedComponents > 0)
            outcome.messages << QStringLiteral("%1: warning: %2: %3 components clamped to "
                                               "KITTI's range")
                                    .arg(kTool, job.output)
                                    .arg(report.clampedComponents);
        outcome.converted = true;
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const FlowConvertCommandLine command =
        parseFlowConvertCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
    switch (command.action) {
    case FlowConvertCommandLine::ShowHelp:
    case FlowConvertCommandLine::ShowVersion:
        printTo(stdout, command.text);
        return kAllWritten;
    case FlowConvertCommandLine::UsageError:
        return usageError(kTool, command.text);
    case FlowConvertCommandLine::Run:
        break;
    }

    for (const QString &folder : command.folders) {
        if (folder.isEmpty() || QDir().mkpath(folder))
            continue;
        printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, folder));
        return kSomeFailed;
    }

    const QList<FlowConvertJob> &jobs = command.jobs;
    ProgressLine progress(!command.quiet && jobs.size() > kFewInputs, int(jobs.size()));
    const BandPlan bands = bandsPerItem(command.threads, int(jobs.size()));
    const int failed = convertInOrder(
        int(jobs.size()), command.threads, progress, [&](int item) { return jobs.at(item).input; },
        [&](int item, FloReadBuffer &buffer) { return convert(jobs.at(item), buffer, bands); });
    reportNotConverted(kTool, failed, int(jobs.size()), command.quiet);
    return failed > 0 ? kSomeFailed : kAllWritten;
}
