#include "floweval_options.h"

#include "cli_common.h"
#include "output_names.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString description()
{
    return QStringLiteral(
        "Holds estimated optical flow against its ground truth and prints the benchmark\n"
        "figures: AEE (mean end-point error), AAE (mean angular error, degrees), Fl-all,\n"
        "px1/px3/px5 (percent of pixels with an error below 1, 3, 5) and coverage.\n"
        "EST and GT are two flow files (.flo, KITTI PNG, PFM, .npy, .flo5), or two folders:\n"
        "then every flow file in EST is paired with the file of the same base name in GT;\n"
        "with -r, in every folder below EST too, against the folder of the same relative\n"
        "path below GT, each folder's pairs followed by a row pooling them.\n"
        "The EPE is also given by the ground truth's speed: s0-10, s10-40 and s40+ pixels.\n"
        "Masks (--occ, --fg, --exclude) are pictures in any format Qt reads, found by the\n"
        "ground truth's relative path and base name; a pixel is set where any colour\n"
        "channel is non-zero.\n"
        "Exit status: 0 when every pair was evaluated, 1 when any failed, 2 for a usage\n"
        "error.");
}

bool readInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}

} // namespace

FlowEvalCommandLine parseFlowEvalCommandLine(const QStringList &arguments, int defaultThreads)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption csv("csv",
                                 "Write the figures as CSV to FILE ('-': standard output, "
                                 "instead of the table).",
                                 "FILE");
    const QCommandLineOption json("json",
                                  "Write the figures as a JSON document to FILE ('-': standard "
                                  "output, instead of the table).",
                                  "FILE");
    const QCommandLineOption epeDir("epe-dir",
                                    "Write each pair's EPE into DIR, created if missing, as "
                                    "NAME_epe.png (or .npy, .pfm) after the estimate.",
                                    "DIR");
    const QCommandLineOption epe(
        "epe", "Write the EPE of the one pair to FILE.png (or .npy, .pfm).", "FILE");
    const QCommandLineOption epeFormat(
        "epe-format",
        "The EPE as a picture (png, the default) or as float32 numbers of H x W, NaN where not "
        "evaluated (npy, pfm).",
        "FORMAT");
    const QCommandLineOption jobs = jobsOption(QStringLiteral("Evaluate N pairs"), defaultThreads);
    const QCommandLineOption shard("shard",
                                   "Evaluate only the pairs K, K+N, K+2N, ... of the sorted "
                                   "list, counting from 0.",
                                   "K/N");
    const QCommandLineOption recursive(
        {"r", "recursive"},
        "With two folders, also pair the flow files of every folder below them, by their "
        "path relative to EST and GT.");
    const QCommandLineOption merge(
        "merge", "Pool the CSV files of the shards of one run, every shard once, into the "
                 "result of the whole run.");
    const QCommandLineOption average(
        "average",
        "How pooled rows average: over every evaluated pixel (pixel, the default), or the mean "
        "of each pair's figure over the pairs that evaluated a pixel (image).",
        "MODE");
    const QCommandLineOption occ("occ",
                                 "Occlusion masks in DIR: adds the EPE over matched (visible) "
                                 "and unmatched (occluded) pixels.",
                                 "DIR");
    const QCommandLineOption fg("fg",
                                "Object maps in DIR: adds Fl over background (zero) and "
                                "foreground (non-zero) pixels.",
                                "DIR");
    const QCommandLineOption exclude(
        "exclude", "Masks in DIR whose set pixels are left out of every figure.", "DIR");
    const QCommandLineOption quiet({"q", "quiet"}, "No progress display and no summary.");
    parser.addOptions({csv, json, epeDir, epe, epeFormat, jobs, shard, recursive, merge, average,
                       occ, fg, exclude, quiet});
    parser.addPositionalArgument("EST", "The estimated flow: a file or a folder.");
    parser.addPositionalArgument("GT", "Its ground truth: a file, or a folder when EST is one.");

    FlowEvalCommandLine result;
    if (answeredBefore(parseStandardOptions(parser, arguments, help, version), result))
        return result;

    FlowEvalOptions &o = result.options;
    const auto usage = [&result](const QString &text) {
        result.text = text;
        return result;
    };
    o.csv = parser.value(csv);
    o.json = parser.value(json);
    o.epeDir = parser.value(epeDir);
    o.epe = parser.value(epe);
    if (parser.isSet(epeFormat)) {
        const QString format = parser.value(epeFormat);
        if (format != QLatin1String("png") && format != QLatin1String("npy") &&
            format != QLatin1String("pfm"))
            return usage(QStringLiteral("--epe-format is png, npy or pfm, not '%1'").arg(format));
        if (!parser.isSet(epe) && !parser.isSet(epeDir))
            return usage(QStringLiteral("--epe-format goes with --epe or --epe-dir"));
        o.epeSuffix = QLatin1Char('.') + format;
    }
    o.quiet = parser.isSet(quiet);
    o.occlusions = parser.value(occ);
    o.objects = parser.value(fg);
    o.exclusions = parser.value(exclude);
    if (parser.isSet(average)) {
        const QString mode = parser.value(average);
        if (mode != QLatin1String("pixel") && mode != QLatin1String("image"))
            return usage(QStringLiteral("--average is pixel or image, not '%1'").arg(mode));
        o.average = mode == QLatin1String("image") ? EvalAverage::Image : EvalAverage::Pixel;
        o.averageSet = true;
    }
    for (const QCommandLineOption *named : {&csv, &json, &epeDir, &epe, &occ, &fg, &exclude})
        if (parser.isSet(*named) && parser.value(*named).isEmpty())
            return usage(QStringLiteral("--%1 needs a name").arg(named->names().constLast()));
    if (o.csv == QLatin1String("-") && o.json == QLatin1String("-"))
        return usage(QStringLiteral("only one of --csv and --json can go to standard output"));

    o.threads = defaultThreads;
    QString jobsError;
    if (parser.isSet(jobs) && !readJobs(parser.value(jobs), &o.threads, &jobsError))
        return usage(jobsError);
    if (parser.isSet(shard)) {
        static const QRegularExpression form(QStringLiteral("^(\\d+)/(\\d+)$"));
        const QRegularExpressionMatch match = form.match(parser.value(shard));
        if (!match.hasMatch() || !readInt(match.captured(2), 1, 1 << 30, &o.shards) ||
            !readInt(match.captured(1), 0, o.shards - 1, &o.shard))
            return usage(
                QStringLiteral("--shard needs K/N with 0 <= K < N: '%1'").arg(parser.value(shard)));
        o.sharded = true;
    }

    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(merge)) {
        if (positional.isEmpty())
            return usage(QStringLiteral("--merge needs the CSV files to pool"));
        for (const QCommandLineOption *pairOnly :
             {&epeDir, &epe, &jobs, &shard, &recursive, &occ, &fg, &exclude})
            if (parser.isSet(*pairOnly))
                return usage(QStringLiteral("--%1 applies to evaluating pairs, not to --merge")
                                 .arg(pairOnly->names().constLast()));
        o.mergeInputs = positional;
        result.action = FlowEvalCommandLine::Run;
        return result;
    }

    if (positional.size() != 2)
        return usage(positional.size() < 2
                         ? QStringLiteral("give an estimate and its ground truth")
                         : QStringLiteral("give one estimate and one ground truth; "
                                          "folders hold many"));
    o.estimate = positional.at(0);
    o.groundTruth = positional.at(1);
    const bool estFolder = QFileInfo(o.estimate).isDir();
    const bool gtFolder = QFileInfo(o.groundTruth).isDir();
    if (estFolder != gtFolder)
        return usage(QStringLiteral("give two files or two folders: %1 is a folder")
                         .arg(estFolder ? o.estimate : o.groundTruth));
    o.folders = estFolder;
    for (const QCommandLineOption *masks : {&occ, &fg, &exclude})
        if (parser.isSet(*masks) && !QFileInfo(parser.value(*masks)).isDir())
            return usage(QStringLiteral("--%1 needs a folder of masks: '%2'")
                             .arg(masks->names().constLast(), parser.value(*masks)));
    o.recursive = parser.isSet(recursive);
    if (o.recursive && !o.folders)
        return usage(
            QStringLiteral("-r reads folders; %1 and %2 are files").arg(o.estimate, o.groundTruth));
    if (parser.isSet(epe)) {
        if (o.folders)
            return usage(QStringLiteral("--epe names the picture of one pair; use --epe-dir "
                                        "for folders"));
        if (parser.isSet(epeDir))
            return usage(QStringLiteral("give either --epe or --epe-dir, not both"));
        if (!o.epe.endsWith(o.epeSuffix, Qt::CaseInsensitive))
            return usage(
                QStringLiteral("the EPE's name must end in %1: '%2'").arg(o.epeSuffix, o.epe));
    }

    result.action = FlowEvalCommandLine::Run;
    return result;
}
