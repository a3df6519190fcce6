#include "cerror.h"
#include "check_rows.h"
#include "flow_metrics.h"
#include "frame_triple.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();

struct Frame {
    int w, h;
    std::vector<std::uint8_t> rgb;
    Frame(int w, int h) : w(w), h(h), rgb(std::size_t(3 * w * h)) {}
    std::uint8_t *at(int x, int y) { return rgb.data() + 3 * (y * w + x); }
    RgbFrame view() const { return {rgb.data(), w, h, 3 * w}; }
    RgbTarget target() { return {rgb.data(), w, h, 3 * w}; }
};

struct Flow {
    int w, h;
    std::vector<float> u, v;
    Flow(int w, int h, float fu, float fv)
        : w(w), h(h), u(std::size_t(w * h), fu), v(std::size_t(w * h), fv) {}
    FlowArrays view() const { return {u.data(), v.data(), w, h, w, 1}; }
};

Frame randomFrame(int w, int h, unsigned seed)
{
    Frame f(w, h);
    std::mt19937 random(seed);
    for (std::uint8_t &b : f.rgb)
        b = std::uint8_t(random() & 255);
    return f;
}

struct Warped {
    Frame frame;
    std::vector<std::uint8_t> valid;
};

Warped warp(const Frame &frame2, const Flow &flow, const BandPlan &plan = singleBand())
{
    Warped r{Frame(flow.w, flow.h), std::vector<std::uint8_t>(std::size_t(flow.w * flow.h))};
    warpFrame(frame2.view(), flow.view(), r.frame.target(), r.valid.data(), plan);
    return r;
}

std::vector<std::uint8_t> occlusion(const Flow &f, const Flow &b)
{
    std::vector<std::uint8_t> occ(std::size_t(f.w * f.h));
    checkConsistency(f.view(), b.view(), occ.data(), singleBand());
    return occ;
}

// A flow laid out as the callers hand them over: two planes whose rows may be padded, or one
// interleaved array.
struct Layout {
    bool interleaved;
    int rowPad;
};

struct LaidFlow {
    std::vector<float> data;
    FlowArrays arrays;
};

LaidFlow layFlow(const std::vector<float> &u, const std::vector<float> &v, int w, int h,
                 Layout layout)
{
    LaidFlow f;
    if (layout.interleaved) {
        const std::ptrdiff_t row = 2 * w + layout.rowPad;
        f.data.assign(std::size_t(row * h), -7.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                f.data[std::size_t(y * row + 2 * x)] = u[std::size_t(y * w + x)];
                f.data[std::size_t(y * row + 2 * x + 1)] = v[std::size_t(y * w + x)];
            }
        f.arrays = {f.data.data(), f.data.data() + 1, w, h, row, 2};
        return f;
    }
    const std::ptrdiff_t row = w + layout.rowPad;
    const std::size_t plane = std::size_t(row * h);
    f.data.assign(2 * plane, -7.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            f.data[std::size_t(y * row + x)] = u[std::size_t(y * w + x)];
            f.data[plane + std::size_t(y * row + x)] = v[std::size_t(y * w + x)];
        }
    f.arrays = {f.data.data(), f.data.data() + plane, w, h, row, 1};
    return f;
}

// One component of a vector at (x, y), of a kind that tests an edge of the arithmetic: onto a
// border exactly, by half pixels, unknown in every way, or just inside or outside the frame.
float hardComponent(std::mt19937 &random, int at, int size)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float far = float(size - 1 - at);
    switch (random() % 16) {
    case 0: return float(-at);
    case 1: return far;
    case 2: return float(int(random() % unsigned(2 * size + 1)) - size) + 0.5f;
    case 3: return kNan;
    case 4: return random() % 2 ? inf : -inf;
    case 5: return random() % 2 ? 1e10f : -1e9f;
    case 6: return std::nextafter(far, 1e30f);
    case 7: return std::nextafter(float(-at), -1e30f);
    case 8: return -0.0f;
    case 9: return std::nextafter(far, -1e30f);
    default: {
        std::uniform_real_distribution<float> motion(-float(size), float(size));
        return motion(random);
    }
    }
}

struct Case {
    int w, h;
    Frame frame1, frame2;
    std::ptrdiff_t frameRow; // frame2's bytes per line, perhaps padded
    std::vector<std::uint8_t> frame2Bytes;
    std::vector<float> fu, fv, bu, bv;

    RgbFrame padded() const { return {frame2Bytes.data(), w, h, frameRow}; }
};

Case hardCase(int w, int h, unsigned seed)
{
    Case c{w, h, randomFrame(w, h, seed), randomFrame(w, h, seed + 1), 3 * w + int(seed % 3) * 5,
           {}, {}, {}, {}, {}};
    c.frame2Bytes.assign(std::size_t(c.frameRow * h), 0xee);
    for (int y = 0; y < h; ++y)
        std::copy_n(c.frame2.at(0, y), 3 * w, c.frame2Bytes.data() + y * c.frameRow);
    std::mt19937 random(seed);
    const std::size_t n = std::size_t(w * h);
    c.fu.resize(n);
    c.fv.resize(n);
    c.bu.resize(n);
    c.bv.resize(n);
    std::uniform_real_distribution<float> small(-0.3f, 0.3f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y * w + x);
            c.fu[i] = hardComponent(random, x, w);
            c.fv[i] = hardComponent(random, y, h);
            // Mostly a backward flow near the one that undoes, so that all three answers occur.
            const bool undo = random() % 4 != 0;
            c.bu[i] = undo ? -c.fu[i] + small(random) : hardComponent(random, x, w);
            c.bv[i] = undo ? -c.fv[i] + small(random) : hardComponent(random, y, h);
        }
    return c;
}

struct RowOutputs {
    std::vector<std::uint8_t> warped, valid, occlusion;
};

// Every row of a job through row, into outputs prefilled with a pattern that must survive
// outside the pixels.
RowOutputs runRows(checkrows::CheckRow row, const RgbFrame &frame2, const FlowArrays &flow,
                   const FlowArrays *backward, bool warp)
{
    const int w = flow.width, h = flow.height;
    const std::ptrdiff_t warpedRow = 3 * w + 2;
    RowOutputs o{std::vector<std::uint8_t>(std::size_t(warpedRow * h), 0x5a),
                 std::vector<std::uint8_t>(std::size_t(w * h), 0x5a),
                 std::vector<std::uint8_t>(std::size_t(w * h), 0x5a)};
    checkrows::CheckJob job;
    job.frame2 = frame2;
    job.flow = flow;
    if (warp) {
        job.warped = {o.warped.data(), w, h, warpedRow};
        job.valid = o.valid.data();
    }
    if (backward) {
        job.backward = *backward;
        job.occlusion = o.occlusion.data();
    }
    for (int y = 0; y < h; ++y)
        row(job, y);
    return o;
}

// The roads other than the plain one that this processor runs.
std::vector<rowkernels::Isa> fastIsas()
{
    std::vector<rowkernels::Isa> isas;
    for (const rowkernels::Isa isa : {rowkernels::Isa::Avx2, rowkernels::Isa::Avx512})
        if (checkrows::checkRowFor(isa))
            isas.push_back(isa);
    return isas;
}

const std::pair<int, int> kHardSizes[] = {{1, 1}, {2, 1}, {1, 7},  {3, 3},   {4, 1},  {4, 4},
                                          {5, 2}, {7, 3}, {8, 1},  {8, 8},   {9, 5},  {15, 4},
                                          {16, 3}, {17, 6}, {31, 2}, {33, 9}, {64, 5}, {71, 13}};

} // namespace

class TestFrameCheck : public QObject
{
    Q_OBJECT

private slots:
    void wholePixelShift();
    void halfPixelShiftRounds();
    void bordersAreInclusive();
    void unknownVectorsAreNotValid();
    void backwardThatUndoesIsConsistent();
    void consistencyThreshold();
    void figures();
    void errorPictureBins();
    void sizesMustMatch();
    void bandsAndStridesChangeNothing();
    void fastRowsMatchPlain();
    void fusedPassMatchesSteps();
    void fastRowsReadOnlyTheirPixels();
};

void TestFrameCheck::wholePixelShift()
{
    const Frame f2 = randomFrame(5, 3, 1);
    const Warped r = warp(f2, Flow(5, 3, 1, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t *out = r.frame.rgb.data() + 3 * (y * 5 + x);
            const std::uint8_t *in = f2.rgb.data() + 3 * (y * 5 + x + 1);
            QCOMPARE(r.valid[std::size_t(y * 5 + x)], std::uint8_t(x < 4));
            for (int c = 0; c < 3; ++c)
                QCOMPARE(int(out[c]), x < 4 ? int(in[c]) : 0);
        }
    // Frame 1 is frame 2 moved by one pixel: they agree wherever the warp is valid.
    Frame f1(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 1; x < 5; ++x)
            std::copy_n(f2.rgb.data() + 3 * (y * 5 + x), 3, f1.at(x - 1, y));
    const PhotometricFigures f = photometricFigures(
        photometricSums(f1.view(), r.frame.view(), r.valid.data(), nullptr, singleBand()));
    QCOMPARE(f.valid, std::int64_t(12));
    QCOMPARE(f.validShare, 80.0);
    QCOMPARE(f.meanAbsError, 0.0);
    QVERIFY(std::isinf(f.psnr));
    QVERIFY(std::isnan(f.occluded));
}

void TestFrameCheck::halfPixelShiftRounds()
{
    Frame f2(3, 2);
    const int levels[6] = {10, 13, 11, 0, 255, 100};
    for (int i = 0; i < 6; ++i)
        std::fill_n(f2.rgb.data() + 3 * i, 3, std::uint8_t(levels[i]));
    // 11.5 and 12 round up; the last column points half a pixel out.
    Warped r = warp(f2, Flow(3, 2, 0.5f, 0));
    QCOMPARE(int(r.frame.rgb[0]), 12);
    QCOMPARE(int(r.frame.rgb[3]), 12);
    QCOMPARE(int(r.valid[2]), 0);
    QCOMPARE(int(r.frame.at(1, 1)[0]), 178); // (255 + 100) / 2 = 177.5
    // A quarter down and a quarter right, weighted rows first: 0.75 (0.75*10 + 0.25*13)
    // + 0.25 (0.75*0 + 0.25*255) = 24.0625.
    r = warp(f2, Flow(3, 2, 0.25f, 0.25f));
    QCOMPARE(int(r.frame.rgb[0]), 24);
    QCOMPARE(int(r.valid[3]), 0);
}

void TestFrameCheck::bordersAreInclusive()
{
    const Frame f2 = randomFrame(4, 3, 2);
    Flow flow(4, 3, 0, 0);
    // To the far corner exactly, x1 and y1 clamped: valid, its sample the corner itself.
    flow.u[0] = 3;
    flow.v[0] = 2;
    // To (0, 0) from the far corner.
    flow.u[11] = -3;
    flow.v[11] = -2;
    // Just outside on each side.
    flow.u[1] = -1.0001f;
    flow.v[5] = -1.0001f;
    flow.u[6] = 1.0001f;
    flow.v[7] = 1.0001f;
    const Warped r = warp(f2, flow);
    QCOMPARE(int(r.valid[0]), 1);
    QCOMPARE(int(r.frame.rgb[0]), int(f2.rgb[33]));
    QCOMPARE(int(r.valid[11]), 1);
    QCOMPARE(int(r.frame.rgb[33]), int(f2.rgb[0]));
    for (int i : {1, 5, 6, 7})
        QCOMPARE(int(r.valid[std::size_t(i)]), 0);
    QCOMPARE(int(r.valid[2]), 1);
}

void TestFrameCheck::unknownVectorsAreNotValid()
{
    const Frame f2 = randomFrame(3, 1, 3);
    Flow flow(3, 1, 0, 0);
    flow.u[0] = 1e10f;
    flow.v[1] = kNan;
    const Warped r = warp(f2, flow);
    QCOMPARE(r.valid, (std::vector<std::uint8_t>{0, 0, 1}));
    QCOMPARE(int(r.frame.rgb[0]) + r.frame.rgb[3] + r.frame.rgb[4], 0);
    QCOMPARE(occlusion(flow, Flow(3, 1, 0, 0)), (std::vector<std::uint8_t>{128, 128, 0}));
}

void TestFrameCheck::backwardThatUndoesIsConsistent()
{
    const Flow forward(4, 2, 1, 0.5f);
    const Flow back(4, 2, -1, -0.5f);
    // The last column and the bottom row point outside.
    QCOMPARE(occlusion(forward, back), (std::vector<std::uint8_t>{0, 0, 0, 128, 128, 128, 128, 128}));
    QCOMPARE(occlusion(forward, Flow(4, 2, 1, 0.5f))[0], kOccluded);
    // A backward vector among the four around the point that is unknown, even at weight 0.
    Flow holed = back;
    holed.v[6] = kNan;
    QCOMPARE(occlusion(forward, holed)[1], kNotChecked);
    const std::vector<std::uint8_t> level = occlusion(Flow(4, 2, 1, 0), holed);
    QCOMPARE(level[0], kNotChecked);
    QCOMPARE(level[2], kConsistent);
    QCOMPARE(level[5], kNotChecked);
}

void TestFrameCheck::consistencyThreshold()
{
    // f = 0: consistent while |b|^2 <= 0.01 |b|^2 + 0.5.
    const Flow zero(2, 1, 0, 0);
    QCOMPARE(occlusion(zero, Flow(2, 1, 0.71f, 0))[0], kConsistent);
    QCOMPARE(occlusion(zero, Flow(2, 1, 0.72f, 0))[0], kOccluded);
    QCOMPARE(occlusion(zero, Flow(2, 1, 0.5f, 0.5f))[0], kConsistent);
    // Large motion: the 1 % term lets |f + b| grow with it.
    const Flow far(40, 1, 20, 0);
    QCOMPARE(occlusion(far, Flow(40, 1, -22, 0))[0], kConsistent);  // 4 <= 8.84 + 0.5
    QCOMPARE(occlusion(far, Flow(40, 1, -24, 0))[0], kOccluded);    // 16 > 9.76 + 0.5
}

void TestFrameCheck::figures()
{
    Frame f1(4, 1);
    Frame warped(4, 1);
    warped.at(0, 0)[0] = 3;  // e = 1
    warped.at(1, 0)[2] = 30; // in the occluded pixel
    warped.at(2, 0)[1] = 60; // not checked
    const std::vector<std::uint8_t> valid{1, 1, 1, 1};
    PhotometricSums s = photometricSums(f1.view(), warped.view(), valid.data(), nullptr);
    QCOMPARE(s.absLevels, std::int64_t(93));
    QCOMPARE(s.squaredLevels, std::int64_t(9 + 900 + 3600));
    PhotometricFigures f = photometricFigures(s);
    QCOMPARE(f.meanAbsError, 93 / 12.0);
    QCOMPARE(f.psnr, 10 * std::log10(65025 / (4509 / 12.0)));

    const std::vector<std::uint8_t> occ{kConsistent, kOccluded, kNotChecked, kConsistent};
    s = photometricSums(f1.view(), warped.view(), valid.data(), occ.data());
    f = photometricFigures(s);
    QCOMPARE(f.valid, std::int64_t(4));
    QCOMPARE(f.occluded, 25.0);
    QCOMPARE(f.meanAbsError, 3 / 6.0);
    QCOMPARE(f.psnr, 10 * std::log10(65025 / 1.5));

    // Pooled over pixels, not over triples; nothing measured is NaN, not a division by zero.
    PhotometricSums pooled = s;
    const std::vector<std::uint8_t> none{0, 0, 0, 0};
    pooled += photometricSums(f1.view(), warped.view(), none.data(), occ.data());
    f = photometricFigures(pooled);
    QCOMPARE(f.validShare, 50.0);
    QCOMPARE(f.meanAbsError, 0.5);
    f = photometricFigures(photometricSums(f1.view(), warped.view(), none.data(), occ.data()));
    QVERIFY(std::isnan(f.meanAbsError) && std::isnan(f.psnr) && std::isnan(f.occluded));
}

void TestFrameCheck::errorPictureBins()
{
    // e on a bound goes above it: 2/3 -> 0, 1 -> 1, 191.67 -> 8, 192 -> 9.
    QCOMPARE(photometricBin(2), 0);
    QCOMPARE(photometricBin(3), 1);
    QCOMPARE(photometricBin(5), 1);
    QCOMPARE(photometricBin(6), 2);
    QCOMPARE(photometricBin(575), 8);
    QCOMPARE(photometricBin(576), 9);
    QCOMPARE(photometricBin(765), 9);
    Frame f1(3, 1);
    Frame warped(3, 1);
    std::fill_n(warped.at(0, 0), 3, std::uint8_t(192));
    warped.at(1, 0)[0] = 3;
    Frame picture(3, 1);
    const std::vector<std::uint8_t> valid{1, 1, 0};
    photometricPicture(f1.view(), warped.view(), valid.data(), picture.target());
    QCOMPARE(std::vector<std::uint8_t>(picture.at(0, 0), picture.at(1, 0)),
             std::vector<std::uint8_t>(kEpeColors[9], kEpeColors[9] + 3));
    QCOMPARE(std::vector<std::uint8_t>(picture.at(1, 0), picture.at(2, 0)),
             std::vector<std::uint8_t>(kEpeColors[1], kEpeColors[1] + 3));
    QCOMPARE(int(picture.at(2, 0)[0]) + picture.at(2, 0)[1] + picture.at(2, 0)[2], 0);
}

void TestFrameCheck::sizesMustMatch()
{
    const Frame small(3, 2);
    const Flow flow(4, 2, 0, 0);
    try {
        checkFrames(small.view(), small.view(), flow.view(), nullptr);
        QFAIL("a frame of another size was taken");
    } catch (const CError &e) {
        QCOMPARE(QString(e.text), QString("frame 3 x 2 does not match the flow's 4 x 2"));
    }
    const Frame frame(4, 2);
    const Flow back(4, 3, 0, 0);
    const FlowArrays b = back.view();
    QVERIFY_THROWS_EXCEPTION(CError, checkFrames(frame.view(), frame.view(), flow.view(), &b));
}

void TestFrameCheck::bandsAndStridesChangeNothing()
{
    // Large enough for several bands; vectors of every kind, some unknown.
    const int w = 700, h = 400;
    const Frame f1 = randomFrame(w, h, 4);
    const Frame f2 = randomFrame(w, h, 5);
    Flow fwd(w, h, 0, 0), back(w, h, 0, 0);
    std::mt19937 random(6);
    std::uniform_real_distribution<float> motion(-6, 6);
    for (std::size_t i = 0; i < fwd.u.size(); ++i) {
        fwd.u[i] = motion(random);
        fwd.v[i] = motion(random);
        back.u[i] = -fwd.u[i] + motion(random) / 8;
        back.v[i] = i % 97 == 0 ? kNan : -fwd.v[i];
    }
    const FlowArrays b = back.view();
    const FrameCheckResult one = checkFrames(f1.view(), f2.view(), fwd.view(), &b, singleBand());
    const FrameCheckResult many =
        checkFrames(f1.view(), f2.view(), fwd.view(), &b, BandPlan{4, 1 << 14});
    // The same flow interleaved, H x W x 2, as NumPy would hand it over.
    std::vector<float> uv(2 * fwd.u.size());
    for (std::size_t i = 0; i < fwd.u.size(); ++i) {
        uv[2 * i] = fwd.u[i];
        uv[2 * i + 1] = fwd.v[i];
    }
    const FlowArrays interleaved{uv.data(), uv.data() + 1, w, h, 2 * w, 2};
    const FrameCheckResult strided = checkFrames(f1.view(), f2.view(), interleaved, &b);
    for (const FrameCheckResult *r : {&many, &strided}) {
        QVERIFY(std::equal(one.warped.data(), one.warped.data() + one.warped.byteCount(),
                           r->warped.data()));
        QVERIFY(std::equal(one.error.data(), one.error.data() + one.error.byteCount(),
                           r->error.data()));
        QVERIFY(one.valid == r->valid);
        QVERIFY(one.occlusion == r->occlusion);
        QCOMPARE(r->sums.absLevels, one.sums.absLevels);
        QCOMPARE(r->sums.squaredLevels, one.sums.squaredLevels);
        QCOMPARE(r->sums.occluded, one.sums.occluded);
    }
    QVERIFY(one.sums.occluded > 0 && one.sums.measured > 0);
}

void TestFrameCheck::fastRowsMatchPlain()
{
    const std::vector<rowkernels::Isa> isas = fastIsas();
    if (isas.empty())
        QSKIP("this processor runs only the plain rows");
    unsigned seed = 100;
    for (const auto &[w, h] : kHardSizes)
        for (const Layout layout : {Layout{false, 0}, Layout{false, 3}, Layout{true, 0},
                                    Layout{true, 5}}) {
            const Case c = hardCase(w, h, seed++);
            const LaidFlow f = layFlow(c.fu, c.fv, w, h, layout);
            const LaidFlow b = layFlow(c.bu, c.bv, w, h, layout);
            for (int mode = 1; mode <= 3; ++mode) {
                const bool warp = mode & 1;
                const FlowArrays *back = mode & 2 ? &b.arrays : nullptr;
                const RowOutputs plain =
                    runRows(checkrows::checkRowPlain, c.padded(), f.arrays, back, warp);
                for (const rowkernels::Isa isa : isas) {
                    const RowOutputs fast =
                        runRows(checkrows::checkRowFor(isa), c.padded(), f.arrays, back, warp);
                    const QByteArray where = QByteArray::number(w) + " x " +
                                             QByteArray::number(h) + " isa " +
                                             QByteArray::number(int(isa)) + " mode " +
                                             QByteArray::number(mode);
                    QVERIFY2(fast.warped == plain.warped, where.constData());
                    QVERIFY2(fast.valid == plain.valid, where.constData());
                    QVERIFY2(fast.occlusion == plain.occlusion, where.constData());
                }
            }
        }
}

void TestFrameCheck::fusedPassMatchesSteps()
{
    unsigned seed = 500;
    for (const auto &[w, h] : kHardSizes) {
        const Case c = hardCase(w, h, seed++);
        const LaidFlow f = layFlow(c.fu, c.fv, w, h, Layout{seed % 2 == 0, 1});
        const LaidFlow b = layFlow(c.bu, c.bv, w, h, Layout{seed % 3 == 0, 0});
        for (const FlowArrays *back : {&b.arrays, static_cast<const FlowArrays *>(nullptr)}) {
            // The steps on their own, by the plain rows and the plain measures.
            const RowOutputs plain =
                runRows(checkrows::checkRowPlain, c.padded(), f.arrays, back, true);
            const RgbFrame warped{plain.warped.data(), w, h, 3 * w + 2};
            const PhotometricSums sums =
                photometricSums(c.frame1.view(), warped, plain.valid.data(),
                                back ? plain.occlusion.data() : nullptr, singleBand());
            Frame error(w, h);
            photometricPicture(c.frame1.view(), warped, plain.valid.data(), error.target(),
                               singleBand());
            for (const BandPlan &plan : {singleBand(), BandPlan{3, 1}}) {
                const FrameCheckResult r =
                    checkFrames(c.frame1.view(), c.padded(), f.arrays, back, plan);
                for (int y = 0; y < h; ++y)
                    QVERIFY(std::equal(r.warped.data() + y * r.warped.bytesPerLine(),
                                       r.warped.data() + y * r.warped.bytesPerLine() + 3 * w,
                                       plain.warped.data() + y * (3 * w + 2)));
                for (int y = 0; y < h; ++y)
                    QVERIFY(std::equal(r.error.data() + y * r.error.bytesPerLine(),
                                       r.error.data() + y * r.error.bytesPerLine() + 3 * w,
                                       error.at(0, y)));
                QVERIFY(r.valid == plain.valid);
                QVERIFY(back ? r.occlusion == plain.occlusion : r.occlusion.empty());
                QCOMPARE(r.sums.pixels, sums.pixels);
                QCOMPARE(r.sums.valid, sums.valid);
                QCOMPARE(r.sums.occluded, sums.occluded);
                QCOMPARE(r.sums.measured, sums.measured);
                QCOMPARE(r.sums.absLevels, sums.absLevels);
                QCOMPARE(r.sums.squaredLevels, sums.squaredLevels);
                QCOMPARE(r.sums.consistency, sums.consistency);
            }
        }
    }
}

void TestFrameCheck::fastRowsReadOnlyTheirPixels()
{
    // Frame and flows exactly as large as their pixels, each in a block of its own, with
    // vectors onto the first and the last pixel: a read past either end would show under a
    // sanitizer, and a wrong byte of a neighbour in the result.
    const int w = 13, h = 3;
    Case c = hardCase(w, h, 900);
    for (std::size_t i = 0; i < c.fu.size(); ++i) {
        const int x = int(i) % w, y = int(i) / w;
        const bool toLast = i % 2 == 0;
        c.fu[i] = toLast ? float(w - 1 - x) : float(-x);
        c.fv[i] = toLast ? float(h - 1 - y) : float(-y);
        c.bu[i] = -c.fu[i];
        c.bv[i] = -c.fv[i];
    }
    const auto frameBlock = std::make_unique<std::uint8_t[]>(std::size_t(3 * w * h));
    std::copy_n(c.frame2.rgb.data(), 3 * w * h, frameBlock.get());
    const RgbFrame tight{frameBlock.get(), w, h, 3 * w};
    const LaidFlow f = layFlow(c.fu, c.fv, w, h, Layout{false, 0});
    const LaidFlow b = layFlow(c.bu, c.bv, w, h, Layout{false, 0});
    const RowOutputs plain = runRows(checkrows::checkRowPlain, tight, f.arrays, &b.arrays, true);
    for (const rowkernels::Isa isa : fastIsas()) {
        const RowOutputs fast = runRows(checkrows::checkRowFor(isa), tight, f.arrays, &b.arrays, true);
        QVERIFY(fast.warped == plain.warped);
        QVERIFY(fast.occlusion == plain.occlusion);
    }
    QCOMPARE(int(plain.warped[0]), int(c.frame2.at(w - 1, h - 1)[0]));
    QCOMPARE(int(plain.warped[3]), int(c.frame2.at(0, 0)[0]));
    QCOMPARE(plain.occlusion[std::size_t(w * h - 1)], kConsistent);
}

QTEST_GUILESS_MAIN(TestFrameCheck)
#include "test_frame_check.moc"
