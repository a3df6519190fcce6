#ifndef FRAME_TRIPLE_H
#define FRAME_TRIPLE_H

#include "frame_check.h"
#include "planes.h"

#include <cstdint>
#include <vector>

// Everything the check gives for one flow and its frames, as the viewer and flowwarp use it.
struct FrameCheckResult {
    PixelPlane warped;
    std::vector<std::uint8_t> valid;     // 1 where warped from inside frame 2
    std::vector<std::uint8_t> occlusion; // the occlusion picture; empty without a backward flow
    PixelPlane error;                    // the error picture
    PhotometricSums sums;
};

// Warps frame2 by flow, checks it against backward when one is given (else null), and measures
// and draws the error against frame1. Throws CError when a size differs or memory runs out.
FrameCheckResult checkFrames(const RgbFrame &frame1, const RgbFrame &frame2,
                             const FlowArrays &flow, const FlowArrays *backward,
                             const BandPlan &plan = BandPlan());

#endif // FRAME_TRIPLE_H
