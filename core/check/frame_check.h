#ifndef FRAME_CHECK_H
#define FRAME_CHECK_H

// A flow held against the frames it was computed from: frame 2 warped back onto frame 1 by the
// flow, the photometric error between them, and, given the flow back from frame 2, which
// pixels the two flows fail to undo (occlusions). Every routine takes plain arrays and sizes,
// so that the viewer, the command line and NumPy callers share one implementation and one set
// of digits.

#include "row_bands.h"

#include <cstddef>
#include <cstdint>

class FloatPlane;
class PixelPlane;

// 8-bit RGB pixels, 3 bytes each, rows bytesPerLine apart. A grey frame has three equal
// channels.
struct RgbFrame {
    const std::uint8_t *data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t bytesPerLine = 0;
};

struct RgbTarget {
    std::uint8_t *data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t bytesPerLine = 0;
};

// A flow of width x height: the vector of pixel (x, y) is (u[i], v[i]) with
// i = y * rowStride + x * pixelStride, counted in floats. Two planes have pixelStride 1; one
// interleaved H x W x 2 array has u = data, v = data + 1, pixelStride 2, rowStride 2 W.
struct FlowArrays {
    const float *u = nullptr;
    const float *v = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t rowStride = 0;
    std::ptrdiff_t pixelStride = 1;
};

FlowArrays flowArrays(const FloatPlane &u, const FloatPlane &v);
RgbFrame rgbFrame(const PixelPlane &plane);
RgbTarget rgbTarget(const PixelPlane &plane);

// The occlusion picture's grey levels.
constexpr std::uint8_t kConsistent = 0;
constexpr std::uint8_t kNotChecked = 128;
constexpr std::uint8_t kOccluded = 255;

// The error picture's bounds in grey levels of e = (|dr| + |dg| + |db|) / 3; its colours are
// the EPE picture's. A value on a bound goes above it.
extern const int kPhotometricBounds[9];

// Throws CError "frame W x H does not match the flow's W x H" unless frame has the flow's
// size; what names the frame in the message ("frame", "warped frame", ...).
void checkFrameSize(const char *what, int width, int height, const FlowArrays &flow);

// Frame 2 sampled bilinearly at (x + u, y + v) for every pixel of frame 1 into warped (the
// flow's size), and valid[y * width + x] set to 1 where that point lies inside frame 2 and the
// vector is known, else 0 (and the warped pixel black). Throws CError when a size differs.
void warpFrame(const RgbFrame &frame2, const FlowArrays &flow, const RgbTarget &warped,
               std::uint8_t *valid, const BandPlan &plan = BandPlan());

// For every pixel of forward, the backward flow sampled where forward points, and
// occlusion[y * width + x] set to kConsistent when the two undo each other within
// |f + b|^2 <= 0.01 (|f|^2 + |b|^2) + 0.5, kOccluded when they do not, and kNotChecked where
// forward points outside the frame, or forward or any of the four backward vectors around the
// point is unknown. Throws CError when the sizes differ.
void checkConsistency(const FlowArrays &forward, const FlowArrays &backward,
                      std::uint8_t *occlusion, const BandPlan &plan = BandPlan());

// Sums over the pixels of one triple, or of several pooled. All integer, so that pooling in
// any order gives the same bits.
struct PhotometricSums {
    std::int64_t pixels = 0;        // every pixel of the flow
    std::int64_t valid = 0;         // warped from inside frame 2
    std::int64_t occluded = 0;      // valid and found inconsistent
    std::int64_t measured = 0;      // in the error figures: valid, and consistent when checked
    std::int64_t absLevels = 0;     // |dr| + |dg| + |db| summed over the measured pixels
    std::int64_t squaredLevels = 0; // dr^2 + dg^2 + db^2 likewise
    bool consistency = false;       // a backward flow was given

    PhotometricSums &operator+=(const PhotometricSums &other);
};

// What is reported. NaN where undefined: the error figures when nothing is measured, occluded
// without a backward flow or valid pixel; psnr is infinite when the frames agree exactly.
struct PhotometricFigures {
    std::int64_t valid = 0;
    double validShare = 0; // % of all pixels
    double occluded = 0;   // % of valid pixels
    double meanAbsError = 0;
    double psnr = 0;
};

// The sums of frame 1 against frame 2 warped: over the pixels valid marks, less those that
// occlusion (null for none) marks other than kConsistent. Throws CError when a size differs.
PhotometricSums photometricSums(const RgbFrame &frame1, const RgbFrame &warped,
                                const std::uint8_t *valid, const std::uint8_t *occlusion,
                                const BandPlan &plan = BandPlan());

PhotometricFigures photometricFigures(const PhotometricSums &sums);

// The error e of one pixel: the sum of its three absolute differences, e times 3.
inline int photometricLevels(const std::uint8_t *a, const std::uint8_t *b)
{
    const auto level = [](int d) { return d < 0 ? -d : d; };
    return level(int(a[0]) - int(b[0])) + level(int(a[1]) - int(b[1])) +
           level(int(a[2]) - int(b[2]));
}

// The colour bin of an error of levels / 3: the number of bounds at or below it.
int photometricBin(int levels);

// The error picture into picture (frame 1's size): each valid pixel's e in the EPE picture's
// colours, black elsewhere. Throws CError when a size differs.
void photometricPicture(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
                        const RgbTarget &picture, const BandPlan &plan = BandPlan());

#endif // FRAME_CHECK_H
