#ifndef CHECK_ROWS_H
#define CHECK_ROWS_H

// The frame check row by row, so that one pass over a band can warp, check consistency and
// measure while the band is in cache. A plain form and vector forms for AVX2 and AVX-512 give
// the same bytes; the vector forms hand the last pixels of a row, and any row whose offsets
// would not fit their 32-bit gathers, to the plain one.

#include "frame_check.h"
#include "row_kernels.h"

#include <cstdint>

namespace checkrows {

// One check: the warp runs when warped.data is set, the consistency check when occlusion is.
struct CheckJob {
    RgbFrame frame2;
    FlowArrays flow;
    RgbTarget warped;
    std::uint8_t *valid = nullptr;
    FlowArrays backward;
    std::uint8_t *occlusion = nullptr;
};

// Works row y of job.
using CheckRow = void (*)(const CheckJob &job, int y);

void checkRowPlain(const CheckJob &job, int y);

// The plain arithmetic over pixels [xBegin, xEnd) of row y, each part on its own.
void warpSpan(const CheckJob &job, int y, int xBegin, int xEnd);
void consistencySpan(const CheckJob &job, int y, int xBegin, int xEnd);

// The row of isa, or null when this build or this processor lacks it.
CheckRow checkRowFor(rowkernels::Isa isa);
// The fastest this processor runs, the instruction set the colour kernels chose.
CheckRow chosenCheckRow();

// photometricSums and photometricPicture over rows [rowBegin, rowEnd), the sums added to s.
void sumRows(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
             const std::uint8_t *occlusion, int rowBegin, int rowEnd, PhotometricSums &s);
void pictureRows(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
                 const RgbTarget &picture, int rowBegin, int rowEnd);

// Both of them in one loop over rows [rowBegin, rowEnd).
void measureRows(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
                 const std::uint8_t *occlusion, const RgbTarget &picture, int rowBegin,
                 int rowEnd, PhotometricSums &s);

#if defined(__x86_64__)
void checkRowAvx2(const CheckJob &job, int y);
void checkRowAvx512(const CheckJob &job, int y);
#endif

} // namespace checkrows

#endif // CHECK_ROWS_H
