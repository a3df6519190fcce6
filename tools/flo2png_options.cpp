#include "flo2png_options.h"

#include "cli_common.h"
#include "flow_inputs.h"
#include "output_names.h"
#include "video_encoder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

// Smaller, the axes and ticks hide the wheel; larger, the legend is a 200 MB poster that takes
// seconds to draw.
constexpr int kMinWheelSize = 32;
constexpr int kMaxWheelSize = 8192;
// An arrow needs a few pixels to show its head; one per cell of the whole picture is the least.
constexpr int kMinArrowStep = 4;
constexpr int kMaxArrowStep = 4096;
constexpr int kMaxFps = 240;

// A number in (0, 100], or nothing.
bool readPercentile(const QString &text, double *value)
{
    bool ok = false;
    const double p = text.toDouble(&ok);
    if (!ok || !(p > 0.0 && p <= 100.0))
        return false;
    *value = p;
    return true;
}

// A whole number in [low, high], or nothing.
bool readInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}

QString description()
{
    return QStringLiteral(
        "Writes the colour view of each optical-flow file (.flo, KITTI PNG, PFM, .npy, .flo5)\n"
        "as a PNG, as the viewer shows it.\n"
        "Outputs go beside each input as NAME_colorview.png unless -o or -d says otherwise.\n"
        "Exit status: 0 when every output was written, 1 when any input or output failed,\n"
        "2 for a usage error.");
}

} // namespace

Flo2PngCommandLine parseFlo2PngCommandLine(const QStringList &arguments, int defaultThreads)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({"o", "output"},
                                    "Write the colour view to PATH (one input only; PATH ends in "
                                    ".png).",
                                    "PATH");
    const QCommandLineOption outDir({"d", "outdir"},
                                    "Write the outputs into DIR, created if missing, under their "
                                    "usual names.",
                                    "DIR");
    const QCommandLineOption cutoff(
        "cutoff",
        "Draw the view at cutoff N (0 or more), as the viewer's cutoff control does. "
        "Default: the cutoff the viewer opens the file at.",
        "N");
    const QCommandLineOption autoScale(
        "auto", "Normalise the colours by the longest known vector of the flow as read, without "
                "a cutoff.");
    const QCommandLineOption percentile(
        "percentile",
        "Normalise the colours by the P-th percentile of the known vectors' lengths "
        "(0 < P <= 100), nothing clamped; longer vectors take the darker outer colours.",
        "P");
    const QCommandLineOption legend(
        "legend", "Paint the colour-wheel key, labelled with the scale, into the bottom-right "
                  "corner of each colour view.");
    const QCommandLineOption channels(
        "channels", "Also write the grey views of the two components, as _dimx.png and _dimy.png "
                    "beside the colour view (at the opening cutoff with --auto).");
    const QCommandLineOption wheel("wheel", "Write the colour-wheel legend to FILE.png.", "FILE");
    const QCommandLineOption size("size",
                                  QStringLiteral("Width and height of the legend, %1 to %2 "
                                                 "(default 256).")
                                      .arg(kMinWheelSize)
                                      .arg(kMaxWheelSize),
                                  "N");
    const QCommandLineOption compression(
        "compression",
        QStringLiteral("PNG compression from %1 (none, fastest) to %2 (smallest files, slowest); "
                       "default %3, fast.")
            .arg(kPngMinCompression)
            .arg(kPngMaxCompression)
            .arg(kPngDefaultCompression),
        "N");
    const QCommandLineOption jobs = jobsOption(QStringLiteral("Convert N files"), defaultThreads);
    const QCommandLineOption quiet({"q", "quiet"}, "No progress display and no summary.");
    const QCommandLineOption recursive(
        {"r", "recursive"}, "Read every flow file below each folder given, in name order.");
    const QCommandLineOption tree(
        "tree", "With -d: keep each input's folder, relative to the folder all inputs share, "
                "below DIR.");
    const QCommandLineOption arrows(
        "arrows", "Draw the flow's arrows into each colour view, as the viewer does.");
    const QCommandLineOption arrowStep(
        "arrow-step",
        QStringLiteral("One arrow for each N x N pixels, %1 to %2 (default 32).")
            .arg(kMinArrowStep)
            .arg(kMaxArrowStep),
        "N");
    const QCommandLineOption blend(
        "blend",
        "Draw each colour view over the frame of the same base name in DIR (with -r, at the "
        "same relative path).",
        "DIR");
    const QCommandLineOption opacity(
        "opacity", "The colour view's opacity over the frame, 0 to 100 percent (default 50).", "P");
    const QCommandLineOption video(
        "video",
        "Write one video of all inputs' colour views in name order to PATH: H.264 in .mp4 or "
        "VP9 in .webm, at one scale for all frames.",
        "PATH");
    const QCommandLineOption fps("fps",
                                 QStringLiteral("Frames per second of --video, 1 to %1 "
                                                "(default 10).")
                                     .arg(kMaxFps),
                                 "N");
    const QCommandLineOption perFrame(
        "per-frame", "With --video: each frame at its own scale instead of one for all.");
    parser.addOptions({output, outDir,    cutoff,      autoScale, percentile, legend,    channels,
                       wheel,  size,      compression, jobs,      quiet,      recursive, tree,
                       arrows, arrowStep, blend,       opacity,   video,      fps,       perFrame});
    parser.addPositionalArgument("FILE", "Optical-flow files to convert, or folders with -r.",
                                 "FILE...");

    Flo2PngCommandLine result;
    if (answeredBefore(parseStandardOptions(parser, arguments, help, version), result))
        return result;

    Flo2PngOptions &o = result.options;
    o.recursive = parser.isSet(recursive);
    o.tree = parser.isSet(tree);
    QString inputError;
    // One argument at a time, so that each input's name below its folder is known.
    for (const QString &argument : parser.positionalArguments()) {
        QStringList found;
        if (!expandInputs({argument}, o.recursive, &found, &inputError)) {
            result.text = inputError;
            return result;
        }
        const bool folder = QFileInfo(argument).isDir();
        for (const QString &input : std::as_const(found))
            o.relativeNames << (folder ? QDir(argument).relativeFilePath(input)
                                       : QFileInfo(input).fileName());
        o.inputs << found;
    }
    o.output = parser.value(output);
    o.outDir = parser.value(outDir);
    o.autoScale = parser.isSet(autoScale);
    o.channels = parser.isSet(channels);
    o.legend = parser.isSet(legend);
    o.wheelFile = parser.value(wheel);
    o.quiet = parser.isSet(quiet);

    const auto usage = [&result](const QString &text) {
        result.text = text;
        return result;
    };
    if (parser.isSet(cutoff) &&
        !readInt(parser.value(cutoff), 0, std::numeric_limits<int>::max(), &o.cutoff))
        return usage(QStringLiteral("--cutoff needs a whole number, 0 or more: '%1'")
                         .arg(parser.value(cutoff)));
    if (o.autoScale && parser.isSet(cutoff))
        return usage(QStringLiteral("--auto and --cutoff choose the colours in different ways; "
                                    "give one of them"));
    if (parser.isSet(percentile)) {
        if (!readPercentile(parser.value(percentile), &o.percentile))
            return usage(QStringLiteral("--percentile needs a number above 0 and at most 100: "
                                        "'%1'")
                             .arg(parser.value(percentile)));
        if (o.autoScale || parser.isSet(cutoff))
            return usage(QStringLiteral("--percentile, --auto and --cutoff choose the colours in "
                                        "different ways; give one of them"));
    }
    if (parser.isSet(size)) {
        if (!parser.isSet(wheel))
            return usage(QStringLiteral("--size applies only to --wheel"));
        if (!readInt(parser.value(size), kMinWheelSize, kMaxWheelSize, &o.wheelSize))
            return usage(QStringLiteral("--size needs a whole number from %1 to %2: '%3'")
                             .arg(kMinWheelSize)
                             .arg(kMaxWheelSize)
                             .arg(parser.value(size)));
    }
    if (parser.isSet(compression) &&
        !readInt(parser.value(compression), kPngMinCompression, kPngMaxCompression, &o.compression))
        return usage(QStringLiteral("--compression needs a whole number from %1 to %2: '%3'")
                         .arg(kPngMinCompression)
                         .arg(kPngMaxCompression)
                         .arg(parser.value(compression)));
    o.threads = defaultThreads;
    QString jobsError;
    if (parser.isSet(jobs) && !readJobs(parser.value(jobs), &o.threads, &jobsError))
        return usage(jobsError);
    if (parser.isSet(wheel) && !hasPngSuffix(o.wheelFile))
        return usage(QStringLiteral("the legend is a PNG: its name must end in .png: '%1'")
                         .arg(o.wheelFile));
    if (o.inputs.isEmpty() && o.wheelFile.isEmpty())
        return usage(parser.positionalArguments().isEmpty()
                         ? QStringLiteral("no input files")
                         : QStringLiteral("no flow files in the folders given"));
    if (o.tree && !parser.isSet(outDir))
        return usage(QStringLiteral("--tree places the outputs below the folder of -d"));
    if (parser.isSet(output)) {
        if (parser.isSet(outDir))
            return usage(QStringLiteral("give either -o or -d, not both"));
        if (o.inputs.size() != 1)
            return usage(QStringLiteral("-o names the output of exactly one input; use -d for "
                                        "several"));
        if (!hasPngSuffix(o.output))
            return usage(QStringLiteral("the output is a PNG: its name must end in .png: '%1'")
                             .arg(o.output));
    }
    if (parser.isSet(outDir) && o.outDir.isEmpty())
        return usage(QStringLiteral("-d needs a folder name"));

    o.arrows = parser.isSet(arrows);
    if (parser.isSet(arrowStep)) {
        if (!o.arrows)
            return usage(QStringLiteral("--arrow-step applies only to --arrows"));
        if (!readInt(parser.value(arrowStep), kMinArrowStep, kMaxArrowStep, &o.arrowStep))
            return usage(QStringLiteral("--arrow-step needs a whole number from %1 to %2: '%3'")
                             .arg(kMinArrowStep)
                             .arg(kMaxArrowStep)
                             .arg(parser.value(arrowStep)));
    }
    o.blendDir = parser.value(blend);
    if (parser.isSet(blend) && !QFileInfo(o.blendDir).isDir())
        return usage(QStringLiteral("--blend needs a folder of frames: '%1'").arg(o.blendDir));
    if (parser.isSet(opacity)) {
        if (!parser.isSet(blend))
            return usage(QStringLiteral("--opacity applies only to --blend"));
        if (!readInt(parser.value(opacity), 0, 100, &o.opacity))
            return usage(QStringLiteral("--opacity needs a whole number from 0 to 100: '%1'")
                             .arg(parser.value(opacity)));
    }
    o.video = parser.value(video);
    o.perFrame = parser.isSet(perFrame);
    if (parser.isSet(video)) {
        if (!videoCodecForName(QFile::encodeName(o.video).toStdString()))
            return usage(
                QStringLiteral("the video's name must end in .mp4 or .webm: '%1'").arg(o.video));
        for (const QCommandLineOption *png :
             {&output, &outDir, &channels, &wheel, &compression, &tree}) {
            if (parser.isSet(*png))
                return usage(QStringLiteral("--%1 applies to PNG outputs, not to --video")
                                 .arg(png->names().constLast()));
        }
        if (o.inputs.isEmpty())
            return usage(QStringLiteral("no flow files for the video"));
        OutputClaims claims;
        for (const QString &input : std::as_const(o.inputs))
            claims.claimInput(input);
        const QString clash = claims.claim(o.video, QStringLiteral("--video"));
        if (!clash.isEmpty())
            return usage(clash);
    } else {
        if (parser.isSet(fps))
            return usage(QStringLiteral("--fps applies only to --video"));
        if (o.perFrame)
            return usage(QStringLiteral("--per-frame applies only to --video"));
    }
    if (parser.isSet(fps) && !readInt(parser.value(fps), 1, kMaxFps, &o.fps))
        return usage(QStringLiteral("--fps needs a whole number from 1 to %1: '%2'")
                         .arg(kMaxFps)
                         .arg(parser.value(fps)));

    result.action = Flo2PngCommandLine::Run;
    return result;
}
