#include "warp_job.h"

#include "cli_common.h"
#include "flow_inputs.h"
#include "flowwarp_options.h"
#include "frame_input.h"
#include "frame_triple.h"
#include "picture_save.h"
#include "plane_image.h"

#include "cerror.h"
#include "flow_format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <new>

namespace {

const QString kTool = QStringLiteral("flowwarp");

// Where picture kind of flow goes: its base name, "_", kind, ".png", in folder.
QString pictureName(const QString &flow, const QString &folder, const char *kind)
{
    return QDir(folder).filePath(pairingName(flow) + QLatin1Char('_') + QLatin1String(kind) +
                                 QLatin1String(".png"));
}

QString below(const QString &root, const QString &relative)
{
    return relative == QLatin1String(".") ? root : QDir(root).filePath(relative);
}

QStringList flowsOf(const FlowWarpOptions &o, QString *error)
{
    QStringList flows;
    if (o.recursive) {
        expandInputs({o.flow}, true, &flows, error);
    } else {
        const QFileInfoList entries = QDir(o.flow).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo &entry : entries)
            if (isFlowInput(entry.filePath()))
                flows << entry.filePath();
    }
    // By folder, then by name within it, as the tables list them.
    std::stable_sort(flows.begin(), flows.end(), [](const QString &a, const QString &b) {
        const QFileInfo fa(a), fb(b);
        if (fa.path() != fb.path())
            return fa.path() < fb.path();
        return fa.fileName() < fb.fileName();
    });
    return flows;
}

} // namespace

bool warpJobs(const FlowWarpOptions &o, QList<WarpJob> *jobs, QStringList *folders,
              QString *error)
{
    jobs->clear();
    if (!o.folders) {
        WarpJob job{o.flow, o.frame1, o.frame2, o.backward, o.warped, o.error, o.occlusion, {}};
        jobs->append(job);
        return true;
    }
    const QStringList flows = flowsOf(o, error);
    if (flows.isEmpty()) {
        if (error->isEmpty())
            *error = QStringLiteral("%1 holds no flow file").arg(o.flow);
        return false;
    }
    FrameFinder finder;
    const QDir root(o.flow);
    for (const QString &flow : flows) {
        const QString relative = root.relativeFilePath(QFileInfo(flow).absolutePath());
        const QString backwardDir =
            o.backwardDir.isEmpty() ? QString() : below(o.backwardDir, relative);
        const FrameTriple triple =
            finder.find(flow, below(o.framesDir, relative), backwardDir, o.backwardBy);
        const QString out =
            o.outDir.isEmpty() ? QFileInfo(flow).path() : below(o.outDir, relative);
        if (!folders->contains(out))
            *folders << out;
        WarpJob job{flow,
                    triple.frame1,
                    triple.frame2,
                    triple.backward,
                    pictureName(flow, out, "warped"),
                    pictureName(flow, out, "error"),
                    o.backwardDir.isEmpty() ? QString() : pictureName(flow, out, "occlusion"),
                    triple.problem};
        jobs->append(job);
    }
    return true;
}

WarpOutcome runWarpJob(const WarpJob &job, FloReadBuffer &buffer, const BandPlan &plan)
{
    WarpOutcome outcome;
    if (!job.problem.isEmpty()) {
        outcome.errors << kTool + QStringLiteral(": ") + job.problem;
        return outcome;
    }
    QString reading = job.flow;
    const auto readField = [&](const QString &path) {
        reading = path;
        return *readFlow(QFile::encodeName(path).constData(), kInputRule, {&buffer, plan});
    };
    try {
        const FlowField flow = readField(job.flow);
        QString problem;
        const QImage frame1 = readFrame(job.frame1, &problem);
        const QImage frame2 = frame1.isNull() ? QImage() : readFrame(job.frame2, &problem);
        if (frame2.isNull()) {
            outcome.errors << kTool + QStringLiteral(": ") + problem;
            return outcome;
        }
        std::optional<FlowField> backward;
        if (!job.backward.isEmpty())
            backward = readField(job.backward);
        const FlowArrays arrays = flowArrays(flow.u, flow.v);
        const FlowArrays backArrays =
            backward ? flowArrays(backward->u, backward->v) : FlowArrays();
        for (const QString &frame : {job.frame1, job.frame2}) {
            reading = frame;
            const QImage &image = frame == job.frame1 ? frame1 : frame2;
            checkFrameSize("frame", image.width(), image.height(), arrays);
        }
        reading = job.backward.isEmpty() ? job.flow : job.backward;
        const FrameCheckResult r = checkFrames(frameView(frame1), frameView(frame2), arrays,
                                               backward ? &backArrays : nullptr, plan);
        outcome.record = {job.flow, arrays.width, arrays.height, r.sums};
        outcome.checked = true;
        const auto save = [&](const QImage &image, const QString &name) {
            QString why;
            if (!name.isEmpty() && !savePicture(image, name, &why))
                outcome.errors << QStringLiteral("%1: cannot write %2: %3").arg(kTool, name, why);
        };
        save(planeImage(r.warped), job.warped);
        save(planeImage(r.error), job.error);
        if (!r.occlusion.empty())
            save(occlusionImage(r.occlusion.data(), arrays.width, arrays.height), job.occlusion);
    } catch (const CError &error) {
        outcome.errors << inputMessage(kTool, reading, QString::fromLocal8Bit(error.text));
    } catch (const std::bad_alloc &) {
        outcome.errors << inputMessage(kTool, reading, QStringLiteral("out of memory"));
    }
    return outcome;
}
