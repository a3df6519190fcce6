#include "sequence_video.h"

#include "frame_input.h"
#include "ordered_batch.h"
#include "picture_overlays.h"
#include "plane_image.h"
#include "video_encoder.h"

#include "cerror.h"
#include "flo_file.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_views.h"

#include <QFile>

#include <memory>
#include <new>

namespace {

// Stops the passes from inside the delivery of a result.
struct Stopped {
};

// What a read or a drawing threw, as the failure of file.
template <class Work> auto failingAs(const QString &file, Work work) -> decltype(work())
{
    try {
        return work();
    } catch (const CError &error) {
        throw SequenceFailure{file, QString::fromLocal8Bit(error.text)};
    } catch (const std::bad_alloc &) {
        throw SequenceFailure{file, QStringLiteral("out of memory")};
    }
}

FlowField readInput(const SequenceVideoJob &job, const QString &input, FloReadBuffer *buffer,
                    const BandPlan &plan)
{
    return *readFlow(QFile::encodeName(input).constData(), job.rule, {buffer, plan});
}

// The colour view of a flow at the sequence's scale, or drawn as flo2png draws it alone.
QImage colourView(const SequenceVideoJob &job, const FlowField &flow, const SequenceScale *shared,
                  const BandPlan &plan, SequenceScale *scale)
{
    const int rows = flow.u.rows();
    const int cols = flow.u.cols();
    if (!shared) {
        const ViewChoice choice{job.cutoff, job.scale == SequenceScaleKind::LongestVector,
                                job.scale == SequenceScaleKind::Percentile ? job.percentile : 0,
                                job.legend, false};
        const FlowPictures pictures = DrawFlowPictures(flow.u, flow.v, choice, plan);
        *scale = {pictures.cutoff, pictures.radius};
        return planeImage(pictures.color).copy();
    }
    *scale = *shared;
    const PixelPlane colour = vek_alloc_3(cols, rows);
    const PixelPlane none;
    const FloatPlane noPlane;
    RenderScaledFlowViews(scale->cutoff, scale->radius, flow.u, flow.v,
                          {noPlane, noPlane, colour, none, none}, rows, cols, plan);
    // A copy of its own: the plane goes with this scope.
    return planeImage(colour).copy();
}

// The frame under a flow of size, as RGB888.
QImage frameOfSize(const QString &path, QSize size)
{
    QString error;
    const QImage frame = readFrame(path, &error);
    if (frame.isNull())
        throw SequenceFailure{path, error};
    if (frame.size() != size)
        throw SequenceFailure{path, QStringLiteral("the frame is %1 x %2, the flow %3 x %4")
                                        .arg(frame.width())
                                        .arg(frame.height())
                                        .arg(size.width())
                                        .arg(size.height())};
    return frame;
}

QImage drawFrame(const SequenceVideoJob &job, const QString &input, const QString &framePath,
                 const SequenceScale *shared, FloReadBuffer *buffer, const BandPlan &plan)
{
    const FlowField flow = failingAs(input, [&] { return readInput(job, input, buffer, plan); });
    SequenceScale scale;
    QImage picture = failingAs(input, [&] { return colourView(job, flow, shared, plan, &scale); });
    if (!framePath.isEmpty())
        blendOverFrame(picture, frameOfSize(framePath, picture.size()), job.opacity);
    if (job.arrows)
        drawArrowsInto(picture, flow.u, flow.v, job.arrowStep);
    if (job.legend)
        picture = withCornerLegend(picture, scale.radius, scale.cutoff);
    return picture;
}

struct ScaleItem {
    FrameScaleFacts facts;
    QSize size;
};

void checkSize(const SequenceVideoJob &job, int item, QSize size, QSize *first)
{
    if (item == 0)
        *first = size;
    else if (size != *first)
        throw SequenceFailure{job.inputs.at(item),
                              QStringLiteral("%1 x %2, unlike the %3 x %4 of the frames before it")
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(first->width())
                                  .arg(first->height())};
}

// One pass of the pool over every input.
void scalePass(const SequenceVideoJob &job, PooledScale &pool, SequenceProgress &progress,
               const QString &name)
{
    const int count = int(job.inputs.size());
    const BandPlan plan = bandsPerItem(job.threads, count);
    PerWorker<FloReadBuffer> buffers(job.threads);
    QSize first;
    progress.pass(name, count);
    runOrdered<ScaleItem>(
        count, job.threads,
        [&](int item, int worker) {
            const QString &input = job.inputs.at(item);
            const FlowField flow =
                failingAs(input, [&] { return readInput(job, input, &buffers[worker], plan); });
            ScaleItem result;
            result.size = QSize(flow.u.cols(), flow.u.rows());
            result.facts = failingAs(input, [&] {
                return pool.facts(flow.u, flow.v, flow.u.rows(), flow.u.cols(), plan);
            });
            return result;
        },
        [&](int item, ScaleItem &result) {
            checkSize(job, item, result.size, &first);
            pool.add(result.facts);
            if (!progress.done(item, job.inputs.at(item)))
                throw Stopped();
        });
}

// Qt's font database and fontconfig's caches are filled by the first painter that draws text,
// under locks fontconfig takes on the way: filled here, before the threads start, the threads
// only read them.
void prepareLegendFonts()
{
    QImage scratch(32, 32, QImage::Format_RGB888);
    scratch.fill(Qt::black);
    withCornerLegend(scratch, 1.0f, 1);
}

} // namespace

bool writeSequenceVideo(const SequenceVideoJob &job, SequenceProgress &progress)
{
    const int count = int(job.inputs.size());
    if (count == 0)
        throw SequenceFailure{job.output, QStringLiteral("no flows to make a video of")};
    if (job.legend && job.threads > 1)
        prepareLegendFonts();
    try {
        std::optional<SequenceScale> shared;
        if (!job.perFrame && job.cutoff >= 0) {
            shared = SequenceScale{job.cutoff, std::nullopt};
        } else if (!job.perFrame) {
            PooledScale pool(job.scale, job.percentile);
            scalePass(job, pool, progress, QStringLiteral("Scale"));
            if (pool.needsSecondPass()) {
                pool.startSecondPass();
                scalePass(job, pool, progress, QStringLiteral("Scale"));
            }
            shared = failingAs(QString(), [&] { return pool.result(); });
        }

        const BandPlan plan = bandsPerItem(job.threads, count);
        PerWorker<FloReadBuffer> buffers(job.threads);
        std::unique_ptr<VideoEncoder> encoder;
        QSize first;
        progress.pass(QStringLiteral("Video"), count);
        runOrdered<QImage>(
            count, job.threads,
            [&](int item, int worker) {
                return drawFrame(job, job.inputs.at(item),
                                 job.frames.isEmpty() ? QString() : job.frames.at(item),
                                 shared ? &*shared : nullptr, &buffers[worker], plan);
            },
            [&](int item, QImage &picture) {
                checkSize(job, item, picture.size(), &first);
                failingAs(job.output, [&] {
                    if (!encoder) {
                        VideoSettings settings;
                        settings.width = picture.width();
                        settings.height = picture.height();
                        settings.fps = job.fps;
                        settings.threads = job.threads;
                        encoder = std::make_unique<VideoEncoder>(
                            QFile::encodeName(job.output).toStdString(), settings);
                    }
                    encoder->addFrame({picture.constBits(), picture.width(), picture.height(),
                                       std::size_t(picture.bytesPerLine())});
                });
                if (!progress.done(item, job.inputs.at(item)))
                    throw Stopped();
            });
        failingAs(job.output, [&] { encoder->finish(); });
    } catch (const Stopped &) {
        return false;
    }
    return true;
}
