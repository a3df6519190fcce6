#include "flowconvert_options.h"

#include "cli_common.h"
#include "flow_inputs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

struct FormatName {
    const char *name;
    FlowFormat format;
};

constexpr FormatName kFormatNames[] = {
    {"flo", FlowFormat::Flo}, {"flo5", FlowFormat::Flo5},      {"pfm", FlowFormat::Pfm},
    {"npy", FlowFormat::Npy}, {"kitti", FlowFormat::KittiPng}, {"png", FlowFormat::KittiPng}};

QString description()
{
    return QStringLiteral(
        "Converts optical-flow files between .flo, KITTI's 16-bit PNG, PFM, NumPy .npy and\n"
        ".flo5 (HDF5). The input's format comes from its content (a name ending in .flo is a\n"
        ".flo), the output's from its name's suffix, or from -t.\n"
        "  flowconvert IN OUT\n"
        "  flowconvert -t FORMAT [-d DIR] [-r [--tree]] IN...\n"
        "FORMAT is flo, flo5, pfm, npy or kitti (written as .png). Every output is written\n"
        "whole or not at all, and never over an input.\n"
        "Exit status: 0 when every output was written, 1 when any input or output failed,\n"
        "2 for a usage error.");
}

// The input's name without its extension, with the format's suffix, in folder or beside it.
QString outputName(const QString &input, const QString &folder, FlowFormat format)
{
    const QFileInfo info(input);
    QString base = info.fileName();
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    base += QLatin1String(flowCodec(format).suffix);
    const QString where = folder.isEmpty() ? input.left(input.size() - info.fileName().size())
                                           : folder + QLatin1Char('/');
    return where + base;
}

} // namespace

FlowConvertCommandLine parseFlowConvertCommandLine(const QStringList &arguments, int defaultThreads)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption to(
        {"t", "to"}, "Write every input in FORMAT: flo, flo5, pfm, npy or kitti.", "FORMAT");
    const QCommandLineOption outDir({"d", "outdir"}, "With -t: write into DIR, created if missing.",
                                    "DIR");
    const QCommandLineOption recursive({"r", "recursive"},
                                       "With -t: read every flow file below each folder given.");
    const QCommandLineOption tree("tree", "With -d: keep each input's folder, relative to the "
                                          "folder all inputs share, below DIR.");
    const QCommandLineOption jobs = jobsOption(QStringLiteral("Convert N files"), defaultThreads);
    const QCommandLineOption quiet({"q", "quiet"}, "No progress display and no summary.");
    parser.addOptions({to, outDir, recursive, tree, jobs, quiet});
    parser.addPositionalArgument("IN", "Flow files to convert (folders with -r).", "IN...");
    parser.addPositionalArgument("OUT", "Without -t: the output, its format from its suffix.",
                                 "[OUT]");

    FlowConvertCommandLine result;
    const auto usage = [&result](const QString &text) {
        result.action = FlowConvertCommandLine::UsageError;
        result.text = text;
        return result;
    };
    if (answeredBefore(parseStandardOptions(parser, arguments, help, version), result))
        return result;
    result.quiet = parser.isSet(quiet);
    result.threads = defaultThreads;
    QString jobsError;
    if (parser.isSet(jobs) && !readJobs(parser.value(jobs), &result.threads, &jobsError))
        return usage(jobsError);
    const QStringList positional = parser.positionalArguments();

    if (!parser.isSet(to)) {
        if (parser.isSet(outDir) || parser.isSet(recursive) || parser.isSet(tree))
            return usage(QStringLiteral("-d, -r and --tree go with -t"));
        if (positional.size() != 2)
            return usage(QStringLiteral("give IN and OUT, or -t FORMAT and the inputs"));
        const std::optional<FlowFormat> format =
            flowFormatForName(QFile::encodeName(positional.at(1)).toStdString());
        if (!format)
            return usage(QStringLiteral("the name %1 names no flow format: its suffix must be "
                                        ".flo, .flo5, .pfm, .npy or .png")
                             .arg(positional.at(1)));
        result.jobs.append({positional.at(0), positional.at(1), *format});
    } else {
        std::optional<FlowFormat> format;
        for (const FormatName &f : kFormatNames)
            if (parser.value(to).compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                format = f.format;
        if (!format)
            return usage(QStringLiteral("-t takes flo, flo5, pfm, npy or kitti: '%1'")
                             .arg(parser.value(to)));
        if (parser.isSet(tree) && !parser.isSet(outDir))
            return usage(QStringLiteral("--tree places the outputs below the folder of -d"));
        if (parser.isSet(outDir) && parser.value(outDir).isEmpty())
            return usage(QStringLiteral("-d needs a folder name"));
        QStringList inputs;
        QString error;
        if (!expandInputs(positional, parser.isSet(recursive), &inputs, &error))
            return usage(error);
        if (inputs.isEmpty())
            return usage(positional.isEmpty()
                             ? QStringLiteral("no input files")
                             : QStringLiteral("no flow files in the folders given"));
        result.outDir = parser.value(outDir);
        const QStringList folders = parser.isSet(tree) ? treeFolders(inputs, result.outDir)
                                                       : QStringList(inputs.size(), result.outDir);
        for (qsizetype i = 0; i < inputs.size(); ++i)
            result.jobs.append(
                {inputs.at(i), outputName(inputs.at(i), folders.at(i), *format), *format});
        result.folders = folders;
        result.folders.removeDuplicates();
    }

    OutputClaims claims;
    for (const FlowConvertJob &job : std::as_const(result.jobs))
        claims.claimInput(job.input);
    for (const FlowConvertJob &job : std::as_const(result.jobs)) {
        const QString clash = claims.claim(job.output, job.input);
        if (!clash.isEmpty())
            return usage(clash);
    }
    result.action = FlowConvertCommandLine::Run;
    return result;
}
