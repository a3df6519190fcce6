#include "picture_loader.h"

#include "cerror.h"
#include "flo_file.h"
#include "flow_format.h"
#include "flow_views.h"
#include "raster_image.h"

#include <QFile>

PicturePlanes allocatePicturePlanes(int rows, int cols)
{
    PicturePlanes planes;
    planes.color = vek_alloc_3(cols, rows);
    planes.dimX = vek_alloc_3(cols, rows);
    planes.dimY = vek_alloc_3(cols, rows);
    planes.flowU = vek_alloc_2(rows, cols);
    planes.flowV = vek_alloc_2(rows, cols);
    planes.clampedU = vek_alloc_2(rows, cols);
    planes.clampedV = vek_alloc_2(rows, cols);
    return planes;
}

namespace {

// The views of a flow whose planes hold it: the opening cutoff from the data, its statistics,
// and the views at cutoff or at that one, at the scale the options ask for.
void drawViews(LoadedPicture &picture, std::optional<int> cutoff, const FlowLoadOptions &options)
{
    PicturePlanes &p = picture.planes;
    const int rows = picture.rows;
    const int cols = picture.cols;
    // The views below write the clamped planes.
    picture.openingCutoff = OpeningFlowCutoff(p.flowU, p.flowV, rows, cols);
    picture.cutoff = cutoff.value_or(picture.openingCutoff);
    MagnitudeScratch ownScratch;
    picture.statistics = ComputeFlowStatistics(p.flowU, p.flowV, rows, cols,
                                               options.scratch ? *options.scratch : ownScratch);
    RenderScaledFlowViews(picture.cutoff, MagnitudeScaleRadius(options.scale, *picture.statistics),
                          p.flowU, p.flowV, {p.clampedU, p.clampedV, p.color, p.dimX, p.dimY}, rows,
                          cols);
}

} // namespace

LoadOutcome loadFlowPicture(const QString &path, std::optional<int> cutoff, FloReadBuffer *buffer,
                            const FlowLoadOptions &options)
{
    const QByteArray local = QFile::encodeName(path);
    LoadOutcome outcome;
    try {
        FloFile file(local.constData());
        file.readHeader();
        const int rows = file.height();
        const int cols = file.width();
        outcome.failure.header = QSize(cols, rows);
        if (rows < 1 || cols < 1) {
            outcome.failure.sizeError = true;
            return outcome;
        }
        // A header must never make us allocate memory the file cannot fill.
        file.checkHeader();
        file.checkLength();

        LoadedPicture picture;
        picture.isFlow = true;
        picture.rows = rows;
        picture.cols = cols;
        picture.planes = allocatePicturePlanes(rows, cols);
        const PicturePlanes &p = picture.planes;
        file.readPlanes(p.flowU, p.flowV, buffer);
        drawViews(picture, cutoff, options);
        outcome.picture = std::move(picture);
    } catch (const CError &error) {
        outcome.failure.readerMessage = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}

LoadOutcome loadRasterPicture(const QString &path)
{
    LoadOutcome outcome;
    QImage image = readRasterImage(path);
    if (image.isNull())
        return outcome;
    outcome.failure.header = image.size();
    try {
        LoadedPicture picture;
        picture.rows = image.height();
        picture.cols = image.width();
        picture.planes = allocatePicturePlanes(picture.rows, picture.cols);
        copyRgb(image, picture.planes.color);
        picture.image = std::move(image);
        outcome.picture = std::move(picture);
    } catch (const CError &error) {
        outcome.failure.readerMessage = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}

LoadOutcome loadRecognisedPicture(const QString &path, std::optional<int> cutoff,
                                  FloReadBuffer *buffer, const FlowLoadOptions &options)
{
    const QByteArray local = QFile::encodeName(path);
    LoadOutcome outcome;
    try {
        std::optional<FlowField> flow = readFlowIfAny(local.constData(), buffer);
        if (!flow)
            return loadRasterPicture(path);
        LoadedPicture picture;
        picture.isFlow = true;
        picture.rows = flow->u.rows();
        picture.cols = flow->u.cols();
        outcome.failure.header = QSize(picture.cols, picture.rows);
        PicturePlanes &p = picture.planes;
        p.color = vek_alloc_3(picture.cols, picture.rows);
        p.dimX = vek_alloc_3(picture.cols, picture.rows);
        p.dimY = vek_alloc_3(picture.cols, picture.rows);
        p.flowU = std::move(flow->u);
        p.flowV = std::move(flow->v);
        p.clampedU = vek_alloc_2(picture.rows, picture.cols);
        p.clampedV = vek_alloc_2(picture.rows, picture.cols);
        drawViews(picture, cutoff, options);
        outcome.picture = std::move(picture);
    } catch (const CError &error) {
        outcome.failure.readerMessage = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}
