#include "picture_loader.h"

#include "cerror.h"
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

// A picture is made whole for the screen, or ahead of need with only what takes long to make:
// a flow's planes as read, its statistics and its colour view; a raster image as read.
enum class Make { Whole, Ahead };

// Made ahead on a thread of its own, a picture leaves the other core to the window.
BandPlan bandsFor(Make make)
{
    return make == Make::Ahead ? singleBand() : BandPlan();
}

// The planes a flow of rows x cols is drawn into; made ahead, the colour plane comes later.
void allocateViewPlanes(PicturePlanes &p, int rows, int cols, Make make)
{
    if (make == Make::Ahead)
        return;
    p.color = vek_alloc_3(cols, rows);
    p.dimX = vek_alloc_3(cols, rows);
    p.dimY = vek_alloc_3(cols, rows);
    p.clampedU = vek_alloc_2(rows, cols);
    p.clampedV = vek_alloc_2(rows, cols);
}

// The views of a flow whose planes hold it: the opening cutoff from the data, its statistics,
// and the views at cutoff or at that one, at the scale the options ask for.
void drawViews(LoadedPicture &picture, std::optional<int> cutoff, const FlowLoadOptions &options,
               Make make)
{
    PicturePlanes &p = picture.planes;
    const int rows = picture.rows;
    const int cols = picture.cols;
    const BandPlan plan = bandsFor(make);
    picture.openingCutoff = OpeningFlowCutoff(p.flowU, p.flowV, rows, cols, plan);
    picture.cutoff = cutoff.value_or(picture.openingCutoff);
    {
        // Made ahead, the magnitudes' memory is given back before the colour plane is taken:
        // a picture kept ahead must cost as little as it can.
        MagnitudeScratch ownScratch;
        picture.statistics = ComputeFlowStatistics(
            p.flowU, p.flowV, rows, cols, options.scratch ? *options.scratch : ownScratch, plan);
    }
    const std::optional<float> radius = MagnitudeScaleRadius(options.scale, *picture.statistics);
    if (make == Make::Ahead) {
        p.color = vek_alloc_3(cols, rows);
        RenderScaledFlowViews(picture.cutoff, radius, p.flowU, p.flowV,
                              {nullptr, nullptr, p.color, nullptr, nullptr}, rows, cols, plan);
        return;
    }
    RenderScaledFlowViews(picture.cutoff, radius, p.flowU, p.flowV,
                          {p.clampedU, p.clampedV, p.color, p.dimX, p.dimY}, rows, cols);
}

LoadOutcome loadRaster(const QString &path, Make make)
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
        picture.image = std::move(image);
        if (make == Make::Whole)
            completePicture(picture);
        outcome.picture = std::move(picture);
    } catch (const CError &error) {
        outcome.failure.readerMessage = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}

LoadOutcome loadPicture(const QString &path, std::optional<int> cutoff, FloReadBuffer *buffer,
                        const FlowLoadOptions &options, Make make)
{
    const QByteArray local = QFile::encodeName(path);
    LoadOutcome outcome;
    LoadedPicture picture;
    FlowReadOptions reading;
    reading.buffer = buffer;
    reading.plan = bandsFor(make);
    reading.flowRequired = false;
    reading.sized = [&](int width, int height) { outcome.failure.header = QSize(width, height); };
    // The view planes before the flow's own, which the read takes next.
    reading.destination = [&](int width, int height) -> float * {
        allocateViewPlanes(picture.planes, height, width, make);
        return nullptr;
    };
    try {
        std::optional<FlowField> flow = readFlow(local.constData(), FlowRule::FloByName, reading);
        if (!flow)
            return loadRaster(path, make);
        picture.isFlow = true;
        picture.rows = flow->u.rows();
        picture.cols = flow->u.cols();
        picture.planes.flowU = std::move(flow->u);
        picture.planes.flowV = std::move(flow->v);
        drawViews(picture, cutoff, options, make);
        outcome.picture = std::move(picture);
    } catch (const CError &error) {
        // A .flo header with a side below 1 is its own failure, whatever else is wrong.
        const std::optional<QSize> &header = outcome.failure.header;
        if (header && (header->width() < 1 || header->height() < 1))
            outcome.failure.sizeError = true;
        else
            outcome.failure.readerMessage = QString::fromLocal8Bit(error.text);
    }
    return outcome;
}

} // namespace

LoadOutcome loadPictureFile(const QString &path, std::optional<int> cutoff, FloReadBuffer *buffer,
                            const FlowLoadOptions &options)
{
    return loadPicture(path, cutoff, buffer, options, Make::Whole);
}

LoadOutcome loadPictureAhead(const QString &path, std::optional<int> cutoff, FloReadBuffer *buffer,
                             const FlowLoadOptions &options)
{
    return loadPicture(path, cutoff, buffer, options, Make::Ahead);
}

void completePicture(LoadedPicture &picture, const BandPlan &plan)
{
    PicturePlanes &p = picture.planes;
    const int rows = picture.rows;
    const int cols = picture.cols;
    if (!picture.isFlow) {
        if (p.color)
            return;
        p = allocatePicturePlanes(rows, cols);
        copyRgb(picture.image, p.color);
        return;
    }
    if (p.clampedU)
        return;
    p.dimX = vek_alloc_3(cols, rows);
    p.dimY = vek_alloc_3(cols, rows);
    p.clampedU = vek_alloc_2(rows, cols);
    p.clampedV = vek_alloc_2(rows, cols);
    RenderScaledFlowViews(picture.cutoff, std::nullopt, p.flowU, p.flowV,
                          {p.clampedU, p.clampedV, nullptr, p.dimX, p.dimY}, rows, cols, plan);
}
