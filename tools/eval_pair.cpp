#include "eval_pair.h"

#include "cli_common.h"
#include "mask_image.h"
#include "picture_save.h"
#include "plane_image.h"

#include "cerror.h"
#include "flow_format.h"
#include "flow_metrics.h"
#include "scalar_output.h"

#include <QFile>
#include <QFileInfo>

#include <new>
#include <utility>
#include <vector>

namespace {

const QString kTool = QStringLiteral("floweval");

QString sizeText(const FlowField &flow)
{
    return QStringLiteral("%1 x %2").arg(flow.u.cols()).arg(flow.u.rows());
}

FlowField read(const QString &path, FloReadBuffer &buffer, const BandPlan &plan)
{
    return *readFlow(QFile::encodeName(path).constData(), kInputRule, {&buffer, plan});
}

// The mask at path for a flow of width x height; empty when path is.
std::vector<std::uint8_t> readMask(const QString &path, int width, int height)
{
    if (path.isEmpty())
        return {};
    MaskImage mask;
    QString error;
    if (!readMaskImage(path, &mask, &error))
        throw CError("%s", error.toLocal8Bit().constData());
    error = maskSizeProblem(mask, width, height);
    if (!error.isEmpty())
        throw CError("%s", error.toLocal8Bit().constData());
    return std::move(mask.set);
}

} // namespace

PairOutcome evaluatePair(const EvalJob &job, FloReadBuffer &buffer, const BandPlan &plan)
{
    PairOutcome outcome;
    if (!job.problem.isEmpty()) {
        outcome.errors << kTool + QStringLiteral(": ") + job.problem;
        return outcome;
    }
    QString reading = job.estimate;
    try {
        const FlowField estimate = read(job.estimate, buffer, plan);
        reading = job.groundTruth;
        FlowField truth = read(job.groundTruth, buffer, plan);
        if (estimate.u.rows() != truth.u.rows() || estimate.u.cols() != truth.u.cols()) {
            outcome.errors << QStringLiteral("%1: %2 is %3, its ground truth %4 is %5")
                                  .arg(kTool, job.estimate, sizeText(estimate), job.groundTruth,
                                       sizeText(truth));
            return outcome;
        }
        const int width = truth.u.cols();
        const int height = truth.u.rows();
        reading = job.exclusions;
        const std::vector<std::uint8_t> excluded = readMask(job.exclusions, width, height);
        if (!excluded.empty())
            excludePixels(truth.u, truth.v, excluded.data());
        reading = job.occlusions;
        const std::vector<std::uint8_t> occluded = readMask(job.occlusions, width, height);
        reading = job.objects;
        const std::vector<std::uint8_t> objects = readMask(job.objects, width, height);
        const EvalMasks masks{occluded.empty() ? nullptr : occluded.data(),
                              objects.empty() ? nullptr : objects.data()};
        outcome.record = {job.estimate,
                          job.groundTruth,
                          width,
                          height,
                          evaluateFlow(estimate.u, estimate.v, truth.u, truth.v, masks, plan),
                          job.folder};
        outcome.evaluated = true;
        if (!job.epePicture.isEmpty()) {
            reading = job.epePicture;
            const QString suffix = QFileInfo(job.epePicture).suffix().toLower();
            if (suffix == QLatin1String("npy") || suffix == QLatin1String("pfm")) {
                // The writer's message names the file.
                writeScalarPlane(suffix == QLatin1String("npy") ? ScalarFormat::Npy
                                                                : ScalarFormat::Pfm,
                                 epeValues(estimate.u, estimate.v, truth.u, truth.v),
                                 QFile::encodeName(job.epePicture).constData());
            } else {
                const PixelPlane picture = epePicture(estimate.u, estimate.v, truth.u, truth.v);
                QString error;
                if (!savePicture(planeImage(picture), job.epePicture, &error))
                    outcome.errors << QStringLiteral("%1: cannot write %2: %3")
                                          .arg(kTool, job.epePicture, error);
            }
        }
    } catch (const CError &error) {
        outcome.errors << inputMessage(kTool, reading, QString::fromLocal8Bit(error.text));
    } catch (const std::bad_alloc &) {
        outcome.errors << inputMessage(kTool, reading, QStringLiteral("out of memory"));
    }
    return outcome;
}
