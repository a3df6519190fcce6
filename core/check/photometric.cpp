#include "frame_check.h"

#include "check_rows.h"
#include "flow_metrics.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {
constexpr int kBounds[9] = {1, 2, 4, 8, 16, 32, 64, 128, 192};
} // namespace

const int kPhotometricBounds[9] = {kBounds[0], kBounds[1], kBounds[2], kBounds[3], kBounds[4],
                                   kBounds[5], kBounds[6], kBounds[7], kBounds[8]};

PhotometricSums &PhotometricSums::operator+=(const PhotometricSums &other)
{
    pixels += other.pixels;
    valid += other.valid;
    occluded += other.occluded;
    measured += other.measured;
    absLevels += other.absLevels;
    squaredLevels += other.squaredLevels;
    consistency = consistency || other.consistency;
    return *this;
}

namespace {

void checkSizes(const RgbFrame &frame1, const RgbFrame &warped)
{
    const FlowArrays size{nullptr, nullptr, frame1.width, frame1.height, 0, 1};
    checkFrameSize("warped frame", warped.width, warped.height, size);
}

// photometricBin of every possible levels value, worked out once for the row loops.
struct BinTable {
    std::uint8_t bin[3 * 255 + 1];
};

constexpr BinTable binTable()
{
    BinTable t{};
    for (int levels = 0; levels <= 3 * 255; ++levels) {
        int bin = 0;
        for (const int bound : kBounds)
            bin += 3 * bound <= levels;
        t.bin[levels] = std::uint8_t(bin);
    }
    return t;
}

constexpr BinTable kBins = binTable();

} // namespace

void checkrows::measureRows(const RgbFrame &frame1, const RgbFrame &warped,
                            const std::uint8_t *valid, const std::uint8_t *occlusion,
                            const RgbTarget &picture, int rowBegin, int rowEnd,
                            PhotometricSums &s)
{
    const int W = frame1.width;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t *a = frame1.data + y * frame1.bytesPerLine;
        const std::uint8_t *b = warped.data + y * warped.bytesPerLine;
        const std::uint8_t *ok = valid + std::ptrdiff_t(y) * W;
        const std::uint8_t *occ = occlusion ? occlusion + std::ptrdiff_t(y) * W : nullptr;
        std::uint8_t *out = picture.data + y * picture.bytesPerLine;
        for (int x = 0; x < W; ++x, a += 3, b += 3, out += 3) {
            if (!ok[x]) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            const int d0 = int(a[0]) - int(b[0]);
            const int d1 = int(a[1]) - int(b[1]);
            const int d2 = int(a[2]) - int(b[2]);
            const int levels = (d0 < 0 ? -d0 : d0) + (d1 < 0 ? -d1 : d1) + (d2 < 0 ? -d2 : d2);
            const std::uint8_t *colour = kEpeColors[kBins.bin[levels]];
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
            ++s.valid;
            if (occ && occ[x] != kConsistent) {
                s.occluded += occ[x] == kOccluded;
                continue;
            }
            ++s.measured;
            s.absLevels += levels;
            s.squaredLevels += d0 * d0 + d1 * d1 + d2 * d2;
        }
    }
}

void checkrows::sumRows(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
                        const std::uint8_t *occlusion, int rowBegin, int rowEnd,
                        PhotometricSums &s)
{
    const int W = frame1.width;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t *a = frame1.data + y * frame1.bytesPerLine;
        const std::uint8_t *b = warped.data + y * warped.bytesPerLine;
        const std::uint8_t *ok = valid + std::ptrdiff_t(y) * W;
        const std::uint8_t *occ = occlusion ? occlusion + std::ptrdiff_t(y) * W : nullptr;
        for (int x = 0; x < W; ++x, a += 3, b += 3) {
            if (!ok[x])
                continue;
            ++s.valid;
            if (occ && occ[x] != kConsistent) {
                s.occluded += occ[x] == kOccluded;
                continue;
            }
            ++s.measured;
            for (int c = 0; c < 3; ++c) {
                const int d = int(a[c]) - int(b[c]);
                s.absLevels += d < 0 ? -d : d;
                s.squaredLevels += d * d;
            }
        }
    }
}

void checkrows::pictureRows(const RgbFrame &frame1, const RgbFrame &warped,
                            const std::uint8_t *valid, const RgbTarget &picture, int rowBegin,
                            int rowEnd)
{
    const int W = frame1.width;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t *a = frame1.data + y * frame1.bytesPerLine;
        const std::uint8_t *b = warped.data + y * warped.bytesPerLine;
        const std::uint8_t *ok = valid + std::ptrdiff_t(y) * W;
        std::uint8_t *out = picture.data + y * picture.bytesPerLine;
        for (int x = 0; x < W; ++x, a += 3, b += 3, out += 3) {
            if (!ok[x]) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            const std::uint8_t *colour = kEpeColors[photometricBin(photometricLevels(a, b))];
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
        }
    }
}

PhotometricSums photometricSums(const RgbFrame &frame1, const RgbFrame &warped,
                                const std::uint8_t *valid, const std::uint8_t *occlusion,
                                const BandPlan &plan)
{
    checkSizes(frame1, warped);
    const int W = frame1.width;
    const int H = frame1.height;
    const int bands = bandCount(plan, H, W);
    std::vector<PhotometricSums> parts(static_cast<std::size_t>(bands));
    forEachBand(bands, [&](int band) {
        const RowRange rows = bandRows(H, bands, band);
        PhotometricSums s;
        checkrows::sumRows(frame1, warped, valid, occlusion, rows.begin, rows.end, s);
        parts[std::size_t(band)] = s;
    });
    PhotometricSums sums;
    for (const PhotometricSums &part : parts)
        sums += part;
    sums.pixels = std::int64_t(W) * H;
    sums.consistency = occlusion != nullptr;
    return sums;
}

PhotometricFigures photometricFigures(const PhotometricSums &s)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PhotometricFigures f;
    f.valid = s.valid;
    f.validShare = s.pixels > 0 ? 100.0 * double(s.valid) / double(s.pixels) : nan;
    f.occluded = s.consistency && s.valid > 0 ? 100.0 * double(s.occluded) / double(s.valid) : nan;
    if (s.measured == 0) {
        f.meanAbsError = nan;
        f.psnr = nan;
        return f;
    }
    const double values = 3.0 * double(s.measured);
    f.meanAbsError = double(s.absLevels) / values;
    f.psnr = s.squaredLevels == 0
                 ? std::numeric_limits<double>::infinity()
                 : 10 * std::log10(255.0 * 255.0 / (double(s.squaredLevels) / values));
    return f;
}

int photometricBin(int levels)
{
    int bin = 0;
    for (const int bound : kPhotometricBounds)
        bin += 3 * bound <= levels;
    return bin;
}

void photometricPicture(const RgbFrame &frame1, const RgbFrame &warped, const std::uint8_t *valid,
                        const RgbTarget &picture, const BandPlan &plan)
{
    checkSizes(frame1, warped);
    const FlowArrays size{nullptr, nullptr, frame1.width, frame1.height, 0, 1};
    checkFrameSize("error picture", picture.width, picture.height, size);
    const int W = frame1.width;
    const int H = frame1.height;
    const int bands = bandCount(plan, H, W);
    forEachBand(bands, [&](int band) {
        const RowRange rows = bandRows(H, bands, band);
        checkrows::pictureRows(frame1, warped, valid, picture, rows.begin, rows.end);
    });
}
