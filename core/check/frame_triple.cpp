#include "frame_triple.h"

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
    warpFrame(frame2, flow, rgbTarget(r.warped), r.valid.data(), plan);
    if (backward) {
        r.occlusion.resize(pixels);
        checkConsistency(flow, *backward, r.occlusion.data(), plan);
    }
    const RgbFrame warped = rgbFrame(r.warped);
    r.sums = photometricSums(frame1, warped, r.valid.data(),
                             backward ? r.occlusion.data() : nullptr, plan);
    photometricPicture(frame1, warped, r.valid.data(), rgbTarget(r.error), plan);
    return r;
}
