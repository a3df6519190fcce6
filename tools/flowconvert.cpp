// flowconvert: moves optical-flow files between the formats the viewer reads.

#include "cli_common.h"
#include "flowconvert_options.h"
#include "progress_line.h"

#include "cerror.h"
#include "flow_format.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <new>

namespace {

const QString kTool = QStringLiteral("flowconvert");

bool convert(const FlowConvertJob &job, FloReadBuffer &buffer, ProgressLine &progress)
{
    try {
        const FlowField flow = readFlow(QFile::encodeName(job.input).constData(), &buffer);
        const WriteReport report =
            writeFlow(job.format, flow.u, flow.v, QFile::encodeName(job.output).constData());
        if (report.clampedComponents > 0)
            progress.message(QStringLiteral("%1: warning: %2: %3 components clamped to KITTI's "
                                            "range")
                                 .arg(kTool, job.output)
                                 .arg(report.clampedComponents));
        return true;
    } catch (const CError &error) {
        progress.message(inputMessage(kTool, job.input, QString::fromLocal8Bit(error.text)));
    } catch (const std::bad_alloc &) {
        progress.message(inputMessage(kTool, job.input, QStringLiteral("out of memory")));
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QCoreApplication::setApplicationVersion(QStringLiteral(FLOWVIEWER_VERSION));

    const FlowConvertCommandLine command =
        parseFlowConvertCommandLine(QCoreApplication::arguments());
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
    FloReadBuffer buffer;
    int failed = 0;
    for (int i = 0; i < jobs.size(); ++i) {
        progress.show(i + 1, jobs.at(i).input);
        if (!convert(jobs.at(i), buffer, progress))
            ++failed;
    }
    progress.clear();
    if (failed > 0 && !command.quiet)
        printTo(stderr, QStringLiteral("%1: %2 of %3 inputs not converted\n")
                            .arg(kTool)
                            .arg(failed)
                            .arg(jobs.size()));
    return failed > 0 ? kSomeFailed : kAllWritten;
}
