// The colour and grey coding over fields of any float bit patterns (NaN, infinities,
// denormals, huge and tiny values) at any cutoff and clamp limit. Nothing is compared with a
// reference; the target holds the coding to what must be true of every output, and every row
// kernel this processor can run to the plain one, byte for byte. The statistics of the same
// field are held to a sorted list of its magnitudes, through every kernel and every road of
// the selection.
//
// Input: rows, cols, cutoff (int32), clamp limit (int32), flags, then u,v pairs, repeated
// to fill the field.

#include "flow_statistics.h"
#include "flow_unknown.h"
#include "kernel_planes.h"
#include "magnitude_pass.h"
#include "planes.h"
#include "row_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using rowkernels::RowKernels;

constexpr std::size_t kHeaderBytes = 11;
// Up to 40 columns: every tail length a vectorised row could leave.
constexpr int kMaxRows = 8;
constexpr int kMaxCols = 40;

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "fuzz_flow_colors: %s\n", what);
    std::abort();
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

std::int32_t int32At(const std::uint8_t *data)
{
    std::int32_t value;
    std::memcpy(&value, data, 4);
    return value;
}

struct Field {
    int rows;
    int cols;
    FloatPlane u;
    FloatPlane v;

    Field(int r, int c) : rows(r), cols(c), u(vek_alloc_2(r, c)), v(vek_alloc_2(r, c)) {}
};

bool samePlane(const FloatPlane &a, const FloatPlane &b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (bitsOf(a.data()[i]) != bitsOf(b.data()[i]))
            return false;
    return true;
}

void checkClamp(const Field &in, const Field &out, int limit, bool clampAll)
{
    const double bound = std::fabs(double(limit));
    const float high = float(bound);
    for (int r = 0; r < in.rows; ++r) {
        for (int c = 0; c < in.cols; ++c) {
            const float x = in.u[r][c];
            const float y = in.v[r][c];
            const float cx = out.u[r][c];
            const float cy = out.v[r][c];
            if (!clampAll && isUnknownFlow(x, y)) {
                if (bitsOf(cx) != bitsOf(x) || bitsOf(cy) != bitsOf(y))
                    broken("an unknown vector was not kept as it was");
                continue;
            }
            for (const auto &[before, after] : {std::pair(x, cx), std::pair(y, cy)}) {
                if (!(std::fabs(after) <= high))
                    broken("a clamped component lies outside the limit");
                if (std::fabs(double(before)) < bound && bitsOf(after) != bitsOf(before))
                    broken("a component inside the limit was changed");
            }
        }
    }
}

// Colours the field twice over differently filled planes: equal results show that every byte
// was written, and written the same way.
PixelPlane colour(const RowKernels &kernels, int cutoff, const Field &f)
{
    PixelPlane a = vek_alloc_3(f.cols, f.rows);
    PixelPlane b = vek_alloc_3(f.cols, f.rows);
    std::memset(a.data(), 0x00, a.byteCount());
    std::memset(b.data(), 0xff, b.byteCount());
    rowkernels::flowToColor(kernels, cutoff, a, f.u, f.v, f.rows, f.cols);
    rowkernels::flowToColor(kernels, cutoff, b, f.u, f.v, f.rows, f.cols);
    if (std::memcmp(a.data(), b.data(), a.byteCount()) != 0)
        broken("FlowToColor left bytes unwritten or is not deterministic");
    return a;
}

bool isRgb(const std::uint8_t *p, int red, int green, int blue)
{
    return p[0] == red && p[1] == green && p[2] == blue;
}

PixelPlane checkColour(const RowKernels &kernels, int cutoff, const Field &f)
{
    PixelPlane out = colour(kernels, cutoff, f);

    bool anyKnownNonZero = false;
    for (int r = 0; r < f.rows; ++r)
        for (int c = 0; c < f.cols; ++c)
            if (!isUnknownFlow(f.u[r][c], f.v[r][c]) && (f.u[r][c] != 0 || f.v[r][c] != 0))
                anyKnownNonZero = true;
    // Without a cutoff the radius is the longest known vector: no direction when it is 0.
    const bool radiusPositive = cutoff > 0 || anyKnownNonZero;

    Field single(1, 1);
    for (int r = 0; r < f.rows; ++r) {
        for (int c = 0; c < f.cols; ++c) {
            const float x = f.u[r][c];
            const float y = f.v[r][c];
            const std::uint8_t *pixel = out[r][c];
            if (isUnknownFlow(x, y) || !radiusPositive) {
                if (!isRgb(pixel, 0, 0, 0))
                    broken("unknown flow, or a field without a radius, is not black");
                continue;
            }
            if (x == 0 && y == 0 && !isRgb(pixel, 255, 255, 255))
                broken("a zero vector is not white");
            if (std::max({pixel[0], pixel[1], pixel[2]}) == 0)
                broken("a known vector is black");
            // A cutoff fixes the radius, so a pixel's colour depends on its vector alone.
            if (cutoff > 0) {
                single.u[0][0] = x;
                single.v[0][0] = y;
                const PixelPlane alone = colour(kernels, cutoff, single);
                if (std::memcmp(alone.data(), pixel, 3) != 0)
                    broken("a vector's colour depends on where it lies in the field");
            }
        }
    }
    return out;
}

struct Grey {
    PixelPlane x;
    PixelPlane y;
};

// clamped: the components were clamped to the cutoff first, as the viewer does.
Grey checkGrey(const RowKernels &kernels, int cutoff, const Field &f, bool clamped)
{
    Grey grey{vek_alloc_3(f.cols, f.rows), vek_alloc_3(f.cols, f.rows)};
    const PixelPlane &dimX = grey.x;
    const PixelPlane &dimY = grey.y;
    std::memset(dimX.data(), 0xa5, dimX.byteCount());
    std::memset(dimY.data(), 0x5a, dimY.byteCount());
    rowkernels::flowToGrey(kernels, cutoff, dimX, dimY, f.u, f.v, f.rows, f.cols);

    std::vector<std::pair<float, int>> levelsU;
    std::vector<std::pair<float, int>> levelsV;
    for (int r = 0; r < f.rows; ++r) {
        for (int c = 0; c < f.cols; ++c) {
            const std::uint8_t *gx = dimX[r][c];
            const std::uint8_t *gy = dimY[r][c];
            if (gx[0] != gx[1] || gx[0] != gx[2] || gy[0] != gy[1] || gy[0] != gy[2])
                broken("a grey pixel has unequal channels");
            const bool unknown = isUnknownFlow(f.u[r][c], f.v[r][c]);
            if ((unknown || cutoff == 0) && (gx[0] != 0 || gy[0] != 0))
                broken("unknown flow, or cutoff 0, is not black in the grey views");
            if (!unknown) {
                levelsU.emplace_back(f.u[r][c], gx[0]);
                levelsV.emplace_back(f.v[r][c], gy[0]);
            }
        }
    }
    // Within the cutoff the mapping runs from 0 at -K to 255 at K without wrapping, so a
    // larger component is never darker.
    if (!clamped || cutoff <= 0)
        return grey;
    for (auto *levels : {&levelsU, &levelsV}) {
        std::sort(levels->begin(), levels->end());
        for (std::size_t i = 1; i < levels->size(); ++i)
            if ((*levels)[i].second < (*levels)[i - 1].second)
                broken("a larger clamped component is darker");
    }
    return grey;
}

bool samePixels(const PixelPlane &a, const PixelPlane &b)
{
    return std::memcmp(a.data(), b.data(), a.byteCount()) == 0;
}

// Everything one kernel makes of the field.
struct Outputs {
    Field clamped;
    int opening;
    Field atCutoff;
    PixelPlane colourClamped;
    Grey greyClamped;
    PixelPlane colourRaw;
    Grey greyRaw;
};

bool sameOutputs(const Outputs &a, const Outputs &b)
{
    return samePlane(a.clamped.u, b.clamped.u) && samePlane(a.clamped.v, b.clamped.v) &&
           a.opening == b.opening && samePlane(a.atCutoff.u, b.atCutoff.u) &&
           samePlane(a.atCutoff.v, b.atCutoff.v) && samePixels(a.colourClamped, b.colourClamped) &&
           samePixels(a.greyClamped.x, b.greyClamped.x) &&
           samePixels(a.greyClamped.y, b.greyClamped.y) && samePixels(a.colourRaw, b.colourRaw) &&
           samePixels(a.greyRaw.x, b.greyRaw.x) && samePixels(a.greyRaw.y, b.greyRaw.y);
}

Outputs run(const RowKernels &kernels, const Field &flow, int cutoff, int limit, bool clampAll)
{
    const int rows = flow.rows;
    const int cols = flow.cols;
    Field clamped(rows, cols);
    rowkernels::clampFlow(kernels, flow.u, flow.v, clamped.u, clamped.v, rows, cols, limit,
                          clampAll);
    checkClamp(flow, clamped, limit, clampAll);

    // In place, as the cutoff slots use it, it must give the same.
    Field inPlace(rows, cols);
    std::copy(flow.u.data(), flow.u.data() + flow.u.size(), inPlace.u.data());
    std::copy(flow.v.data(), flow.v.data() + flow.v.size(), inPlace.v.data());
    rowkernels::clampFlow(kernels, inPlace.u, inPlace.v, inPlace.u, inPlace.v, rows, cols, limit,
                          clampAll);
    if (!samePlane(inPlace.u, clamped.u) || !samePlane(inPlace.v, clamped.v))
        broken("clamping in place differs from clamping into other planes");

    Field scratch(rows, cols);
    const int opening =
        rowkernels::initialFlowCutoff(kernels, flow.u, flow.v, scratch.u, scratch.v, rows, cols);
    if (opening < 0 || opening > std::max(rows, cols))
        broken("the opening cutoff lies outside 0..max(rows, cols)");

    // The viewer's own order: clamp to the cutoff keeping unknown flow, then code.
    Field atCutoff(rows, cols);
    rowkernels::clampFlow(kernels, flow.u, flow.v, atCutoff.u, atCutoff.v, rows, cols, cutoff,
                          false);
    PixelPlane colourClamped = checkColour(kernels, cutoff, atCutoff);
    Grey greyClamped = checkGrey(kernels, cutoff, atCutoff, true);
    // And straight from the file's values, which the batch tools may pass unclamped.
    PixelPlane colourRaw = checkColour(kernels, cutoff, flow);
    Grey greyRaw = checkGrey(kernels, cutoff, flow, false);
    return Outputs{std::move(clamped),     opening,
                   std::move(atCutoff),    std::move(colourClamped),
                   std::move(greyClamped), std::move(colourRaw),
                   std::move(greyRaw)};
}

// The figures the selection must find, from every magnitude sorted.
void checkStatistics(const Field &f)
{
    std::vector<float> sorted;
    for (std::size_t i = 0; i < f.u.size(); ++i) {
        const float x = f.u.data()[i];
        const float y = f.v.data()[i];
        if (!isUnknownFlow(x, y))
            sorted.push_back(float(std::sqrt(double(x) * x + double(y) * y)));
    }
    std::sort(sorted.begin(), sorted.end());

    magnitudes::SelectionTuning bracketing;
    bracketing.directLimit = 0;
    bracketing.sampleSize = 4;
    bracketing.spread = 0.5;
    std::vector<FlowStatistics> results;
    for (const rowkernels::Isa isa :
         {rowkernels::Isa::Scalar, rowkernels::Isa::Avx2, rowkernels::Isa::Avx512}) {
        const magnitudes::MagnitudeKernels *kernels = magnitudes::magnitudeKernelsFor(isa);
        if (!kernels)
            continue;
        MagnitudeScratch scratch;
        for (const magnitudes::SelectionTuning &tuning :
             {magnitudes::SelectionTuning(), bracketing})
            results.push_back(magnitudes::computeFlowStatistics(*kernels, f.u, f.v, f.rows, f.cols,
                                                                scratch, tuning));
    }
    for (const FlowStatistics &s : results) {
        if (s.known != sorted.size())
            broken("the statistics count another number of known vectors");
        std::uint64_t binned = 0;
        for (std::uint64_t count : s.histogram)
            binned += count;
        if (binned != s.known)
            broken("the histogram does not hold every known vector once");
        if (sorted.empty())
            continue;
        if (s.medianMagnitude != sorted[NearestRank(50, sorted.size()) - 1] ||
            s.percentile99Magnitude != sorted[NearestRank(99, sorted.size()) - 1] ||
            s.maxMagnitude != sorted.back())
            broken("a rank of the statistics is not the sorted magnitudes' one");
        const FlowStatistics &first = results.front();
        if (s.meanMagnitude != first.meanMagnitude || s.histogram != first.histogram ||
            s.minU != first.minU || s.maxV != first.maxV)
            broken("the statistics differ between kernels or roads");
        if (!std::isfinite(s.meanMagnitude) || AutoFlowCutoff(s) < 0)
            broken("the mean or the automatic cutoff is out of range");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < kHeaderBytes)
        return 0;
    const int rows = 1 + data[0] % kMaxRows;
    const int cols = 1 + data[1] % kMaxCols;
    const int cutoff = int32At(data + 2);
    const int limit = int32At(data + 6);
    const bool clampAll = data[10] & 1;
    const std::uint8_t *values = data + kHeaderBytes;
    const std::size_t valueCount = (size - kHeaderBytes) / 4;

    Field flow(rows, cols);
    for (std::size_t i = 0; i < flow.u.size(); ++i) {
        float uv[2] = {0.0f, 0.0f};
        if (valueCount > 0) {
            std::memcpy(&uv[0], values + 4 * ((2 * i) % valueCount), 4);
            std::memcpy(&uv[1], values + 4 * ((2 * i + 1) % valueCount), 4);
        }
        flow.u.data()[i] = uv[0];
        flow.v.data()[i] = uv[1];
    }

    const Outputs expected =
        run(*rowkernels::kernelsFor(rowkernels::Isa::Scalar), flow, cutoff, limit, clampAll);
    for (const rowkernels::Isa isa : {rowkernels::Isa::Avx2, rowkernels::Isa::Avx512}) {
        const RowKernels *kernels = rowkernels::kernelsFor(isa);
        if (!kernels)
            continue;
        const Outputs fast = run(*kernels, flow, cutoff, limit, clampAll);
        if (!sameOutputs(fast, expected)) {
            std::fprintf(stderr, "fuzz_flow_colors: the %s kernels differ from the plain ones\n",
                         kernels->name);
            std::abort();
        }
    }
    checkStatistics(flow);
    return 0;
}
