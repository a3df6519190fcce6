#include "ground_truth_pair.h"

#include "occlusion_masks.h"

#include "cerror.h"
#include "flow_format.h"
#include "flow_scale.h"
#include "mask_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GroundTruthPair", text);
}

// The suffixes of the flow formats, as the open dialog lists them.
const char *const kFlowSuffixes[] = {"flo", "flo5", "pfm", "npy", "png"};

bool isFlowFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    return recogniseFlowFile(QFile::encodeName(path).constData(), FlowRule::FloByName).has_value();
}

} // namespace

void GroundTruthPair::drawColour(int cutoff, std::optional<float> radius)
{
    if (drawnAt_ && drawnAt_->first == cutoff && drawnAt_->second == radius)
        return;
    const int r = rows();
    const int c = cols();
    RenderScaledFlowViews(cutoff, radius, u, v, {clampedU_, clampedV_, color, nullptr, nullptr}, r,
                          c);
    drawnAt_ = std::make_pair(cutoff, radius);
}

void GroundTruthPair::prepareColour()
{
    color = vek_alloc_3(cols(), rows());
    clampedU_ = vek_alloc_2(rows(), cols());
    clampedV_ = vek_alloc_2(rows(), cols());
    drawnAt_.reset();
}

const PixelPlane &GroundTruthPair::epeShown(bool outline)
{
    if (!outline || occluded.empty())
        return epe;
    if (!outlined_) {
        outlined_ = vek_alloc_3(cols(), rows());
        std::copy(epe.data(), epe.data() + epe.byteCount(), outlined_.data());
        drawOcclusionOutline(outlined_, occluded.data());
    }
    return outlined_;
}

GroundTruthOutcome pairWithGroundTruth(const QString &path, const FloatPlane &estU,
                                       const FloatPlane &estV, FloReadBuffer *buffer,
                                       const QString &maskPath)
{
    GroundTruthOutcome outcome;
    try {
        FlowField flow =
            *readFlow(QFile::encodeName(path).constData(), FlowRule::FloByName, {buffer});
        if (flow.u.rows() != estU.rows() || flow.u.cols() != estU.cols()) {
            outcome.sizes = true;
            outcome.problem =
                sizeMismatchText(flow.u.cols(), flow.u.rows(), estU.cols(), estU.rows());
            return outcome;
        }
        GroundTruthPair pair;
        pair.path = path;
        pair.maskPath = maskPath;
        if (!maskPath.isEmpty()) {
            MaskImage mask;
            QString error;
            if (!readMaskImage(maskPath, &mask, &error))
                pair.maskProblem = tr("Occlusion mask %1 cannot be read: %2")
                                       .arg(QFileInfo(maskPath).fileName(), error);
            else if (const QString size = maskSizeProblem(mask, estU.cols(), estU.rows());
                     !size.isEmpty())
                pair.maskProblem = tr("Occlusion %1").arg(size);
            else
                pair.occluded = std::move(mask.set);
        }
        const EvalMasks masks{pair.occluded.empty() ? nullptr : pair.occluded.data(), nullptr};
        pair.figures = evalFigures(evaluateFlow(estU, estV, flow.u, flow.v, masks));
        pair.epe = epePicture(estU, estV, flow.u, flow.v);
        pair.u = std::move(flow.u);
        pair.v = std::move(flow.v);
        pair.prepareColour();
        outcome.pair = std::move(pair);
    } catch (const CError &error) {
        outcome.problem = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}

QString sizeMismatchText(int gtCols, int gtRows, int cols, int rows)
{
    return tr("Ground truth %1 x %2 does not match the flow's %3 x %4")
        .arg(gtCols)
        .arg(gtRows)
        .arg(cols)
        .arg(rows);
}

bool sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    // Qt's own comparison takes two missing files for one.
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

QString groundTruthFor(const QString &estimatePath, const QString &folder)
{
    const QFileInfo estimate(estimatePath);
    const QDir dir(folder);
    const QString base = estimate.completeBaseName();
    QStringList suffixes{estimate.suffix()};
    for (const char *suffix : kFlowSuffixes)
        if (suffix != estimate.suffix())
            suffixes << QLatin1String(suffix);
    for (const QString &suffix : suffixes) {
        const QString candidate =
            dir.filePath(suffix.isEmpty() ? base : base + QLatin1Char('.') + suffix);
        if (isFlowFile(candidate) && !sameFile(candidate, estimatePath))
            return candidate;
    }
    return QString();
}
