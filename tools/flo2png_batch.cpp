#include "flo2png_batch.h"

#include "blend_frames.h"
#include "picture_folders.h"
#include "flo2png_video.h"
#include "picture_overlays.h"

#include "cli_common.h"
#include "flow_inputs.h"
#include "flow_key.h"
#include "flow_legend.h"
#include "flow_pictures.h"
#include "frame_input.h"
#include "ordered_batch.h"
#include "output_names.h"
#include "picture_save.h"
#include "plane_image.h"
#include "progress_line.h"

#include "cerror.h"
#include "flo_file.h"
#include "flow_to_color.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

const QString kTool = QStringLiteral("flo2png");

QList<Flo2PngJob> planJobs(const Flo2PngOptions &o)
{
    QList<Flo2PngJob> jobs;
    const QStringList folders =
        o.tree ? treeFolders(o.inputs, o.outDir) : QStringList(o.inputs.size(), o.outDir);
    for (qsizetype i = 0; i < o.inputs.size(); ++i) {
        const QString &input = o.inputs.at(i);
        Flo2PngJob job;
        job.input = input;
        job.relativeName = o.relativeNames.value(i, QFileInfo(input).fileName());
        job.colorView = o.output.isEmpty() ? colorViewName(input, folders.at(i)) : o.output;
        if (o.channels) {
            job.dimX = channelViewName(job.colorView, QStringLiteral("dimx"));
            job.dimY = channelViewName(job.colorView, QStringLiteral("dimy"));
        }
        jobs.append(job);
    }
    return jobs;
}

// Two inputs of the same name from different folders would overwrite each other's outputs
// under -d; refuse the run before anything is written. Returns what clashes, or nothing.
QString findClash(const QList<Flo2PngJob> &jobs, const QString &wheelFile)
{
    OutputClaims claims;
    for (const Flo2PngJob &job : jobs)
        claims.claimInput(job.input);
    QString clash = claims.claim(wheelFile, QStringLiteral("--wheel"));
    for (const Flo2PngJob &job : jobs) {
        for (const QString &name : {job.colorView, job.dimX, job.dimY}) {
            if (clash.isEmpty())
                clash = claims.claim(name, job.input);
        }
    }
    return clash;
}

// False, with the reason added to messages, when the picture could not be written.
bool save(const QImage &image, const QString &name, int compression, QStringList &messages)
{
    QString error;
    if (savePicture(image, name, &error, compression))
        return true;
    messages << QStringLiteral("%1: cannot write %2: %3").arg(kTool, name, error);
    return false;
}

// The smallest legend a picture gets.
constexpr int kSmallestLegend = 32;

// The colour view as options ask for it: over its frame, with arrows, with the legend.
// Without overlays, the plane itself.
QImage colourPicture(const Flo2PngJob &job, const Flo2PngOptions &o, const FlowPictures &pictures,
                     const FlowField &flow)
{
    const QImage plain = planeImage(pictures.color);
    if (!o.arrows && o.blendDir.isEmpty())
        return o.legend ? withCornerLegend(plain, pictures.radius, pictures.cutoff) : plain;
    QImage image = plain.copy();
    if (!o.blendDir.isEmpty()) {
        QString error;
        // Each file on its own worker: the folder is listed for it alone.
        PictureFolders folders;
        const QString frame = findBlendFrame(folders, o.blendDir, job.relativeName, &error);
        if (frame.isEmpty())
            throw CError(qPrintable(error));
        const QImage picture = readFrame(frame, &error);
        if (picture.isNull())
            throw CError(qPrintable(error));
        if (picture.size() != image.size())
            throw CError(qPrintable(QStringLiteral("%1: the frame is %2 x %3, the flow %4 x %5")
                                        .arg(frame)
                                        .arg(picture.width())
                                        .arg(picture.height())
                                        .arg(image.width())
                                        .arg(image.height())));
        blendOverFrame(image, picture, o.opacity);
    }
    if (o.arrows)
        drawArrowsInto(image, flow.u, flow.v, o.arrowStep);
    return o.legend ? withCornerLegend(image, pictures.radius, pictures.cutoff) : image;
}

// Qt's font database and fontconfig's caches are filled by the first painter that draws text,
// under locks fontconfig makes on the way. Filling them here, before the threads start, leaves
// the threads only what they read and paint, each in its own picture.
void prepareFonts()
{
    QImage scratch(kSmallestLegend, kSmallestLegend, QImage::Format_RGB32);
    QPainter painter(&scratch);
    paintFlowLegend(painter, QRectF(0, 0, kSmallestLegend, kSmallestLegend), 1.0,
                    colourLegend(1.0, 1), legendWheel(kSmallestLegend));
}

} // namespace

Flo2PngOutcome convertFlow(const Flo2PngJob &job, const Flo2PngOptions &o, FloReadBuffer &buffer)
{
    return convertReporting(kTool, job.input, [&](Flo2PngOutcome &outcome) {
        const ViewChoice choice{o.cutoff, o.autoScale, o.percentile, o.legend, o.channels};
        FlowField flow;
        const FlowPictures pictures =
            drawFlowFile(QFile::encodeName(job.input).constData(), choice, &buffer,
                         bandsPerItem(o.threads, int(o.inputs.size())), o.arrows ? &flow : nullptr);
        const QImage color = colourPicture(job, o, pictures, flow);
        if (!save(color, job.colorView, o.compression, outcome.messages))
            return;
        if (!job.dimX.isEmpty()) {
            const bool dimX =
                save(planeImage(pictures.dimX), job.dimX, o.compression, outcome.messages);
            const bool dimY =
                save(planeImage(pictures.dimY), job.dimY, o.compression, outcome.messages);
            if (!dimX || !dimY)
                return;
        }
        outcome.converted = true;
    });
}

int runFlo2Png(const Flo2PngOptions &o)
{
    if (!o.video.isEmpty())
        return runFlo2PngVideo(o);
    const QList<Flo2PngJob> jobs = planJobs(o);
    const QString clash = findClash(jobs, o.wheelFile);
    if (!clash.isEmpty())
        return usageError(kTool, clash);

    QStringList folders{o.outDir};
    if (o.tree)
        for (const Flo2PngJob &job : jobs)
            folders << QFileInfo(job.colorView).path();
    folders.removeDuplicates();
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty() || QDir().mkpath(folder))
            continue;
        printTo(stderr, QStringLiteral("%1: cannot create the folder %2\n").arg(kTool, folder));
        return kSomeFailed;
    }

    ProgressLine progress(!o.quiet && jobs.size() > kFewInputs, int(jobs.size()));
    bool wheelFailed = false;
    if (!o.wheelFile.isEmpty()) {
        QStringList messages;
        wheelFailed =
            !save(drawFlowKey(legendKeyLayout(o.wheelSize)), o.wheelFile, o.compression, messages);
        for (const QString &message : std::as_const(messages))
            progress.message(message);
    }

    if (o.legend && o.threads > 1)
        prepareFonts();
    const int failed = convertInOrder(
        int(jobs.size()), o.threads, progress, [&](int item) { return jobs.at(item).input; },
        [&](int item, FloReadBuffer &buffer) { return convertFlow(jobs.at(item), o, buffer); });
    reportNotConverted(kTool, failed, int(jobs.size()), o.quiet);
    return failed > 0 || wheelFailed ? kSomeFailed : kAllWritten;
}
