// The rows of one flow shared out between threads: the bands cover every row once and in
// order, failures reach the caller, and every band count clamps, colours, reads and counts
// exactly what one thread does: on tiny and odd shapes, on fields with unknown and NaN vectors,
// and on the real flows beside the project.

#include "field_planes.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "kernel_planes.h"
#include "magnitude_pass.h"
#include "row_bands.h"
#include "statistics_bits.h"
#include "test_data.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

using rowkernels::Isa;

struct Flow {
    int rows = 0;
    int cols = 0;
    FloatPlane u;
    FloatPlane v;
};

// Smooth motion with every kind of vector the coding treats apart: unknown markers, NaN,
// infinities, zeros of both signs, and vectors far beyond every cutoff.
Flow makeFlow(int rows, int cols, unsigned seed)
{
    std::mt19937 rng(seed);
    const float specials[] = {1e10f,
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -0.0f,
                              0.0f,
                              -4000.0f,
                              1e9f};
    Flow f{rows, cols, vek_alloc_2(rows, cols), vek_alloc_2(rows, cols)};
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            f.u[r][c] = float(9.0 * std::sin(c * 0.21 + r * 0.05));
            f.v[r][c] = float(-6.0 * std::cos(r * 0.17 - c * 0.03));
            if (rng() % 8 == 0)
                (rng() % 2 ? f.u : f.v)[r][c] = specials[rng() % 7];
        }
    }
    return f;
}

template <typename T> void append(std::vector<std::uint8_t> &all, const T *data, std::size_t n)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data);
    all.insert(all.end(), bytes, bytes + n * sizeof(T));
}

// Every plane and figure the routines make of a flow, as one block of bytes.
std::vector<std::uint8_t> everything(const Flow &f, const rowkernels::RowKernels &kernels,
                                     const BandPlan &plan)
{
    const int rows = f.rows;
    const int cols = f.cols;
    const FloatPlane cu = vek_alloc_2(rows, cols);
    const FloatPlane cv = vek_alloc_2(rows, cols);
    const PixelPlane color = pixelPlaneFilled(rows, cols, 0);
    const PixelPlane dimX = pixelPlaneFilled(rows, cols, 0);
    const PixelPlane dimY = pixelPlaneFilled(rows, cols, 0);
    const FlowViewPlanes views{cu, cv, color, dimX, dimY};
    std::vector<std::uint8_t> all;
    const auto keep = [&] {
        append(all, cu.data(), cu.size());
        append(all, cv.data(), cv.size());
        for (const PixelPlane *p : {&color, &dimX, &dimY})
            append(all, p->data(), p->byteCount());
    };
    const int opening = rowkernels::initialFlowCutoff(kernels, f.u, f.v, cu, cv, rows, cols, plan);
    append(all, &opening, 1);
    append(all, cu.data(), cu.size());
    append(all, cv.data(), cv.size());
    for (int cutoff : {7, 0, -3}) {
        rowkernels::renderFlowViews(kernels, cutoff, std::nullopt, f.u, f.v, views, rows, cols,
                                    plan);
        keep();
    }
    rowkernels::flowToColor(kernels, 0, color, f.u, f.v, rows, cols, plan);
    append(all, color.data(), color.byteCount());
    for (int cutoff : {7, 0}) {
        rowkernels::renderFlowViews(kernels, cutoff, 9.5f, f.u, f.v, views, rows, cols, plan);
        keep();
    }
    rowkernels::colourAtRadius(kernels, -1.0f, color, f.u, f.v, rows, cols, plan);
    append(all, color.data(), color.byteCount());
    return all;
}

QString firstDifference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    return firstByteDifference(a, b, "one band");
}

} // namespace

class TestRowBands : public QObject
{
    Q_OBJECT

private slots:
    void bandsCoverEveryRowOnce();
    void bandCountFollowsThePlan_data();
    void bandCountFollowsThePlan();
    void batchesKeepToTheirThreads();
    void everyBandRunsOnceAndFailuresReachTheCaller();
    void viewsMatchOneBand_data();
    void viewsMatchOneBand();
    void realFlowsMatchOneThread();
    void twoLoadsAtOnceEachOnTwoThreads();
};

void TestRowBands::bandsCoverEveryRowOnce()
{
    for (int rows = 0; rows <= 40; ++rows) {
        for (int count = 1; count <= 5; ++count) {
            int next = 0;
            for (int b = 0; b < count; ++b) {
                const RowRange range = bandRows(rows, count, b);
                QCOMPARE(range.begin, next);
                QVERIFY(range.end >= range.begin);
                // As even as they go.
                QVERIFY(range.end - range.begin <= rows / count + 1);
                next = range.end;
            }
            QCOMPARE(next, rows);
        }
    }
}

void TestRowBands::bandCountFollowsThePlan_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<qlonglong>("minPixels");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("bands");
    QTest::newRow("one row") << 2 << 1ll << 1 << 500 << 1;
    QTest::newRow("no pixels") << 2 << 1ll << 0 << 0 << 1;
    QTest::newRow("one thread") << 1 << 1ll << 100 << 100 << 1;
    QTest::newRow("no threads") << 0 << 1ll << 100 << 100 << 1;
    QTest::newRow("tiny, forced") << 2 << 1ll << 3 << 2 << 2;
    QTest::newRow("more threads than rows") << 8 << 1ll << 3 << 40 << 3;
    QTest::newRow("too small for two") << 2 << 100ll << 15 << 10 << 1;
    QTest::newRow("enough for two") << 2 << 100ll << 20 << 10 << 2;
    QTest::newRow("4K") << 2 << qlonglong(kMinBandPixels) << 2160 << 3840 << 2;
    QTest::newRow("Sintel") << 2 << qlonglong(kMinBandPixels) << 436 << 1024 << 2;
    QTest::newRow("FlyingChairs") << 2 << qlonglong(kMinBandPixels) << 384 << 512 << 1;
}

void TestRowBands::bandCountFollowsThePlan()
{
    QFETCH(int, threads);
    QFETCH(qlonglong, minPixels);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(int, bands);
    QCOMPARE(bandCount(BandPlan{threads, minPixels}, rows, cols), bands);
}

// -j N means N threads in all: the workers of a batch and their items' bands together.
void TestRowBands::batchesKeepToTheirThreads()
{
    for (int threads = 1; threads <= 9; ++threads) {
        for (int items = 0; items <= 12; ++items) {
            const int workers = std::max(1, std::min(threads, items));
            const int bands = bandsPerItem(threads, items).threads;
            QVERIFY(bands >= 1);
            QVERIFY(bands <= defaultBandThreads());
            QVERIFY2(workers * bands <= threads || threads == 1,
                     qPrintable(QStringLiteral("%1 %2").arg(threads).arg(items)));
        }
    }
    QCOMPARE(bandsPerItem(1, 1).threads, 1);
    QCOMPARE(bandsPerItem(2, 40).threads, 1);
    // A lone input still gets the bands a viewer's load gets.
    QCOMPARE(bandsPerItem(2, 1).threads, defaultBandThreads());
    QCOMPARE(bandsPerItem(8, 1).threads, defaultBandThreads());
}

// Band 0 on the calling thread, each other band once on a thread of its own; an exception in
// any band reaches the caller after every band has finished.
void TestRowBands::everyBandRunsOnceAndFailuresReachTheCaller()
{
    constexpr int kCount = 3;
    std::atomic<int> runs[kCount] = {};
    std::thread::id ids[kCount];
    forEachBand(kCount, [&](int band) {
        runs[band].fetch_add(1);
        ids[band] = std::this_thread::get_id();
    });
    for (int b = 0; b < kCount; ++b)
        QCOMPARE(runs[b].load(), 1);
    QCOMPARE(ids[0], std::this_thread::get_id());
    QVERIFY(ids[1] != ids[0] && ids[2] != ids[0] && ids[1] != ids[2]);

    std::atomic<int> finished{0};
    QString caught;
    try {
        forEachBand(kCount, [&](int band) {
            if (band == 2)
                throw std::runtime_error("band 2");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            finished.fetch_add(1);
        });
    } catch (const std::runtime_error &error) {
        caught = QString::fromLatin1(error.what());
    }
    QCOMPARE(caught, QStringLiteral("band 2"));
    QCOMPARE(finished.load(), 2);
}

void TestRowBands::viewsMatchOneBand_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("bands");
    const int shapes[][2] = {{1, 1}, {1, 37}, {2, 3}, {7, 33}, {13, 64}, {64, 1}, {301, 17}};
    for (Isa isa : {Isa::Scalar, Isa::Avx2, Isa::Avx512}) {
        const rowkernels::RowKernels *kernels = rowkernels::kernelsFor(isa);
        if (!kernels)
            continue;
        for (const auto &shape : shapes)
            for (int bands : {2, 3})
                QTest::addRow("%s, %d x %d, %d bands", kernels->name, shape[0], shape[1], bands)
                    << int(isa) << shape[0] << shape[1] << bands;
    }
}

// Every routine, and the statistics through every road of the selection.
void TestRowBands::viewsMatchOneBand()
{
    QFETCH(int, isa);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(int, bands);
    const Flow f = makeFlow(rows, cols, unsigned(rows * 1000 + cols));
    const rowkernels::RowKernels &kernels = *rowkernels::kernelsFor(Isa(isa));
    const BandPlan plan{bands, 1};
    const QString difference =
        firstDifference(everything(f, kernels, plan), everything(f, kernels, singleBand()));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    const magnitudes::MagnitudeKernels &magnitudeKernels =
        *magnitudes::magnitudeKernelsFor(Isa(isa));
    magnitudes::SelectionTuning brackets;
    brackets.directLimit = 0;
    brackets.sampleSize = 16;
    magnitudes::SelectionTuning missing = brackets;
    missing.spread = 0;
    MagnitudeScratch scratch;
    for (const magnitudes::SelectionTuning &tuning :
         {magnitudes::SelectionTuning(), brackets, missing}) {
        const FlowStatistics one = magnitudes::computeFlowStatistics(
            magnitudeKernels, f.u, f.v, rows, cols, scratch, tuning, singleBand());
        const FlowStatistics two = magnitudes::computeFlowStatistics(
            magnitudeKernels, f.u, f.v, rows, cols, scratch, tuning, plan);
        QCOMPARE(statisticsBits(two), statisticsBits(one));
        // Guards the comparison: both kinds of vector in every field but the tiniest.
        QVERIFY(rows * cols < 20 || (one.known > 0 && one.unknown > 0));
    }
}

// The flows recorded by others, read and drawn at their opening cutoff, at 1 and at the
// magnitude scales, and their statistics: the same with two threads as with one.
void TestRowBands::realFlowsMatchOneThread()
{
    const QString dir = sharedDataDir();
    if (dir.isEmpty())
        QSKIP("../shared/data is absent");
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.flo")}, QDir::Files);
    QVERIFY(!names.isEmpty());
    const BandPlan two{2, 1};
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
        const FlowField one =
            *readFlow(path.constData(), FlowRule::FloByName, {nullptr, singleBand()});
        FloReadBuffer buffer;
        FlowField banded = *readFlow(path.constData(), FlowRule::FloByName, {&buffer, two});
        const int rows = banded.u.rows();
        const int cols = banded.u.cols();
        QVERIFY2(valuesOf(banded.u) == valuesOf(one.u) && valuesOf(banded.v) == valuesOf(one.v),
                 qPrintable(name));

        MagnitudeScratch scratch;
        const FlowStatistics s1 =
            ComputeFlowStatistics(one.u, one.v, rows, cols, scratch, singleBand());
        const FlowStatistics s2 = ComputeFlowStatistics(one.u, one.v, rows, cols, scratch, two);
        QVERIFY2(statisticsBits(s1) == statisticsBits(s2), qPrintable(name));

        const Flow f{rows, cols, std::move(banded.u), std::move(banded.v)};
        const rowkernels::RowKernels &kernels = rowkernels::chosenKernels();
        QString difference =
            firstDifference(everything(f, kernels, two), everything(f, kernels, singleBand()));
        QVERIFY2(difference.isEmpty(), qPrintable(name + ": " + difference));
        for (ColourScale scale : {ColourScale::LongestVector, ColourScale::Percentile99}) {
            std::vector<std::uint8_t> bytes[2];
            for (int t = 0; t < 2; ++t) {
                const PixelPlane color = pixelPlaneFilled(rows, cols, 0);
                RenderScaledFlowViews(0, MagnitudeScaleRadius(scale, s1), f.u, f.v,
                                      {nullptr, nullptr, color, nullptr, nullptr}, rows, cols,
                                      t ? two : singleBand());
                append(bytes[t], color.data(), color.byteCount());
            }
            QVERIFY2(bytes[0] == bytes[1], qPrintable(name));
        }
    }
}

// A load on the GUI thread while another thread loads a neighbour: each reads through its own
// buffer, counts through its own scratch and draws into its own planes, on two threads of its
// own, and gets what one thread alone gets. The ThreadSanitizer build checks the rest.
void TestRowBands::twoLoadsAtOnceEachOnTwoThreads()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const int rows = 61;
    const int cols = 47;
    QByteArray paths[2];
    std::vector<std::uint8_t> alone[2];
    for (int i = 0; i < 2; ++i) {
        const Flow f = makeFlow(rows, cols, 77u + unsigned(i));
        std::vector<float> uv;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                uv.insert(uv.end(), {f.u[r][c], f.v[r][c]});
        paths[i] = QFile::encodeName(dir.filePath(QStringLiteral("f%1.flo").arg(i)));
        QVERIFY(writeFile(QFile::decodeName(paths[i]), floBytes(cols, rows, uv)));
    }
    const auto load = [&](int i, const BandPlan &plan, FloReadBuffer &buffer,
                          MagnitudeScratch &scratch) {
        FlowField read = *readFlow(paths[i].constData(), FlowRule::FloByName, {&buffer, plan});
        const Flow f{rows, cols, std::move(read.u), std::move(read.v)};
        std::vector<std::uint8_t> all = everything(f, rowkernels::chosenKernels(), plan);
        const FlowStatistics s = ComputeFlowStatistics(f.u, f.v, rows, cols, scratch, plan);
        const QByteArray bits = statisticsBits(s);
        all.insert(all.end(), bits.begin(), bits.end());
        return all;
    };
    for (int i = 0; i < 2; ++i) {
        FloReadBuffer buffer;
        MagnitudeScratch scratch;
        alone[i] = load(i, singleBand(), buffer, scratch);
    }
    FloReadBuffer buffers[2];
    MagnitudeScratch scratches[2];
    for (int round = 0; round < 4; ++round) {
        std::vector<std::uint8_t> got[2];
        std::thread other([&] { got[1] = load(1, BandPlan{2, 1}, buffers[1], scratches[1]); });
        got[0] = load(0, BandPlan{2, 1}, buffers[0], scratches[0]);
        other.join();
        for (int i = 0; i < 2; ++i) {
            const QString difference = firstDifference(got[i], alone[i]);
            QVERIFY2(
                difference.isEmpty(),
                qPrintable(QString("round %1, flow %2: %3").arg(round).arg(i).arg(difference)));
        }
    }
}

QTEST_APPLESS_MAIN(TestRowBands)
#include "test_row_bands.moc"
