#include "frame_triple.h"

#include "check_rows.h"

FrameCheckResult checkFrames(const RgbFrame &frame1, const RgbFrame &frame2,
                             const FlowArrays &flow, const FlowArrays *backward,
                             const BandPlan &plan)
{
    checkFrameSize("frame", frame1.width, frame1.height, flow);
    checkFrameSize("frame", frame2.width, frame2.height, flow);
    if (backward)
        checkFrameSize("backward flow", backward->width, backward->height, flow);
    FrameCheckResult r;
    const std::size_t pixels = std::size_t(flow.width) * std::size_t(flow.height);
    r.warped = vek_alloc_3(flow.width, flow.height);
    r.error = vek_alloc_3(flow.width, flow.height);
    r.valid.resize(pixels);
    if (backward)
        r.occlusion.resize(pixels);
    checkrows::CheckJob job;
    job.frame2 = frame2;
    job.flow = flow;
    job.warped = rgbTarget(r.warped);
    job.valid = r.valid.data();
    if (backward) {
        job.backward = *backward;
        job.occlusion = r.occlusion.data();
    }
    const RgbFrame warped = rgbFrame(r.warped);
    const RgbTarget error = rgbTarget(r.error);
    const checkrows::CheckRow row = checkrows::chosenCheckRow();
    // One pass per band, each row measured while its warped pixels are still in cache.
    const int bands = bandCount(plan, flow.height, flow.width);
    std::vector<PhotometricSums> parts(static_cast<std::size_t>(bands));
    forEachBand(bands, [&](int band) {
        const RowRange rows = bandRows(flow.height, bands, band);
        PhotometricSums &s = parts[std::size_t(band)];
        for (int y = rows.begin; y < rows.end; ++y) {
            row(job, y);
            checkrows::measureRows(frame1, warped, job.valid, job.occlusion, error, y, y + 1, s);
        }
    });
    for (const PhotometricSums &part : parts)
        r.sums += part;
    r.sums.pixels = std::int64_t(flow.width) * flow.height;
    r.sums.consistency = backward != nullptr;
    return r;
}
