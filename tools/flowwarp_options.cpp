#include "flowwarp_options.h"

#include "cli_common.h"
#include "output_names.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

QString description()
{
    return QStringLiteral(
        "Checks optical flow against the frames it was computed from: warps FRAME2 back onto\n"
        "FRAME1 by FLOW and reports how well they agree: valid (pixels warped from inside\n"
        "FRAME2), valid_share (percent of all pixels), mean_abs_error (grey levels) and psnr\n"
        "(dB). With a backward flow, pixels where the two flows do not undo each other are\n"
        "occluded (percent of valid pixels) and left out of the error.\n"
        "The folder form checks every flow in FLOW_DIR, of base name B, with frame 1, the\n"
        "image of base name B in --frames DIR, and frame 2, the next image there in name\n"
        "order, writing B_warped.png, B_error.png and B_occlusion.png.\n"
        "Exit status: 0 when every flow was checked and written, 1 when any failed, 2 for a\n"
        "usage error.");
}

} // namespace

FlowWarpCommandLine parseFlowWarpCommandLine(const QStringList &arguments, int defaultThreads)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({"o", "output"}, "Write FRAME2 warped onto FRAME1 to FILE.png.",
                                    "FILE");
    const QCommandLineOption error("error", "Write the error picture to FILE.png.", "FILE");
    const QCommandLineOption backward(
        "backward", "Check FLOW against BFLOW, the flow from FRAME2 back to FRAME1.", "BFLOW");
    const QCommandLineOption occlusion(
        "occlusion", "With --backward, write the occlusion picture to FILE.png.", "FILE");
    const QCommandLineOption frames("frames", "The folder of frames for the flows of FLOW_DIR.",
                                    "DIR");
    const QCommandLineOption outDir({"d", "output-dir"},
                                    "Write the pictures of the folder form into OUTDIR, "
                                    "created if missing (default: beside each flow).",
                                    "OUTDIR");
    const QCommandLineOption backwardDir("backward-dir",
                                         "Check every flow against its backward flow in DIR.",
                                         "DIR");
    const QCommandLineOption backwardBy(
        "backward-by",
        "Find backward flows by the base name of frame 2 (frame, the default) or of the "
        "forward flow (flow).",
        "RULE");
    const QCommandLineOption recursive(
        {"r", "recursive"},
        "Also check the flows of every folder below FLOW_DIR, with the frames, backward flows "
        "and outputs of the same relative path below their folders.");
    const QCommandLineOption csv("csv",
                                 "Write the figures as CSV to FILE ('-': standard output, "
                                 "instead of the table).",
                                 "FILE");
    const QCommandLineOption json("json",
                                  "Write the figures as a JSON document to FILE ('-': standard "
                                  "output, instead of the table).",
                                  "FILE");
    const QCommandLineOption jobs = jobsOption(QStringLiteral("Check N flows"), defaultThreads);
    const QCommandLineOption quiet({"q", "quiet"}, "No progress display and no summary.");
    parser.addOptions({output, error, backward, occlusion, frames, outDir, backwardDir, backwardBy,
                       recursive, csv, json, jobs, quiet});
    parser.addPositionalArgument("FRAME1 FRAME2 FLOW",
                                 "The two frames and the flow from the first to the second.");
    parser.addPositionalArgument("FLOW_DIR", "With --frames: the folder of flows.");

    FlowWarpCommandLine result;
    if (answeredBefore(parseStandardOptions(parser, arguments, help, version), result))
        return result;

    FlowWarpOptions &o = result.options;
    const auto usage = [&result](const QString &text) {
        result.text = text;
        return result;
    };
    for (const QCommandLineOption *named :
         {&output, &error, &backward, &occlusion, &frames, &outDir, &backwardDir, &csv, &json})
        if (parser.isSet(*named) && parser.value(*named).isEmpty())
            return usage(QStringLiteral("--%1 needs a name").arg(named->names().constLast()));
    o.csv = parser.value(csv);
    o.json = parser.value(json);
    if (o.csv == QLatin1String("-") && o.json == QLatin1String("-"))
        return usage(QStringLiteral("only one of --csv and --json can go to standard output"));
    o.quiet = parser.isSet(quiet);
    o.threads = defaultThreads;
    QString jobsError;
    if (parser.isSet(jobs) && !readJobs(parser.value(jobs), &o.threads, &jobsError))
        return usage(jobsError);
    if (parser.isSet(backwardBy)) {
        const QString rule = parser.value(backwardBy);
        if (rule != QLatin1String("frame") && rule != QLatin1String("flow"))
            return usage(QStringLiteral("--backward-by is frame or flow, not '%1'").arg(rule));
        o.backwardBy = rule == QLatin1String("flow") ? BackwardBy::Flow : BackwardBy::Frame;
    }

    const QStringList positional = parser.positionalArguments();
    o.folders = parser.isSet(frames);
    if (o.folders) {
        for (const QCommandLineOption *single : {&output, &error, &backward, &occlusion})
            if (parser.isSet(*single))
                return usage(QStringLiteral("--%1 names the output of one triple; the folder "
                                            "form writes B_warped.png and the like")
                                 .arg(single->names().constLast()));
        if (positional.size() != 1)
            return usage(QStringLiteral("with --frames give one folder of flows"));
        o.framesDir = parser.value(frames);
        o.flow = positional.at(0);
        for (const QString &dir : {o.framesDir, o.flow})
            if (!QFileInfo(dir).isDir())
                return usage(QStringLiteral("%1 is not a folder").arg(dir));
        o.outDir = parser.value(outDir);
        o.backwardDir = parser.value(backwardDir);
        if (!o.backwardDir.isEmpty() && !QFileInfo(o.backwardDir).isDir())
            return usage(QStringLiteral("%1 is not a folder").arg(o.backwardDir));
        if (parser.isSet(backwardBy) && o.backwardDir.isEmpty())
            return usage(QStringLiteral("--backward-by goes with --backward-dir"));
        o.recursive = parser.isSet(recursive);
        result.action = FlowWarpCommandLine::Run;
        return result;
    }

    for (const QCommandLineOption *folderOnly : {&outDir, &backwardDir, &backwardBy, &recursive})
        if (parser.isSet(*folderOnly))
            return usage(QStringLiteral("--%1 belongs to the folder form, with --frames")
                             .arg(folderOnly->names().constLast()));
    if (positional.size() != 3)
        return usage(QStringLiteral("give FRAME1 FRAME2 FLOW, or --frames DIR FLOW_DIR"));
    o.frame1 = positional.at(0);
    o.frame2 = positional.at(1);
    o.flow = positional.at(2);
    if (!parser.isSet(output))
        return usage(QStringLiteral("-o names the warped frame to write"));
    o.warped = parser.value(output);
    o.error = parser.value(error);
    o.backward = parser.value(backward);
    o.occlusion = parser.value(occlusion);
    if (!o.occlusion.isEmpty() && o.backward.isEmpty())
        return usage(QStringLiteral("--occlusion needs --backward"));
    for (const QString &picture : {o.warped, o.error, o.occlusion})
        if (!picture.isEmpty() && !hasPngSuffix(picture))
            return usage(QStringLiteral("the pictures are PNG: '%1' must end in .png").arg(picture));
    result.action = FlowWarpCommandLine::Run;
    return result;
}
