// The statistics of a flow against fields worked out by hand and against a straightforward
// reference: every magnitude sorted, every bin by plain division. Every kernel set this
// processor runs, and every road of the selection, must give the same values.

#include "field_planes.h"
#include "flow_statistics.h"
#include "flow_unknown.h"
#include "magnitude_pass.h"
#include "rank_select.h"
#include "statistics_bits.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Field {
    int rows = 0;
    int cols = 0;
    std::vector<float> u;
    std::vector<float> v;
};

FlowStatistics statisticsOf(const Field &f)
{
    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    MagnitudeScratch scratch;
    return ComputeFlowStatistics(u, v, f.rows, f.cols, scratch);
}

// A row of vectors given as pairs.
Field row(const std::vector<std::pair<float, float>> &vectors)
{
    Field f;
    f.rows = 1;
    f.cols = int(vectors.size());
    for (const auto &[u, v] : vectors) {
        f.u.push_back(u);
        f.v.push_back(v);
    }
    return f;
}

// The statistics written out plainly: magnitudes in double, rounded to float, sorted.
FlowStatistics reference(const Field &f)
{
    FlowStatistics s;
    s.rows = f.rows;
    s.cols = f.cols;
    std::vector<float> m;
    double sum = 0;
    double minU = INFINITY, maxU = -INFINITY, minV = INFINITY, maxV = -INFINITY;
    for (std::size_t i = 0; i < f.u.size(); ++i) {
        const float u = f.u[i];
        const float v = f.v[i];
        if (!(std::fabs(u) <= 1e9f && std::fabs(v) <= 1e9f))
            continue;
        const double length = std::sqrt(double(u) * u + double(v) * v);
        sum += length;
        m.push_back(float(length));
        minU = std::min<double>(minU, u);
        maxU = std::max<double>(maxU, u);
        minV = std::min<double>(minV, v);
        maxV = std::max<double>(maxV, v);
    }
    s.known = m.size();
    s.unknown = f.u.size() - m.size();
    if (m.empty())
        return s;
    std::sort(m.begin(), m.end());
    s.minU = float(minU);
    s.maxU = float(maxU);
    s.minV = float(minV);
    s.maxV = float(maxV);
    s.meanMagnitude = sum / double(m.size());
    s.medianMagnitude = m[NearestRank(50, m.size()) - 1];
    s.percentile99Magnitude = m[NearestRank(99, m.size()) - 1];
    s.maxMagnitude = m.back();
    for (float x : m) {
        const int bin = s.maxMagnitude > 0 ? int(double(x) * 64 / double(s.maxMagnitude)) : 0;
        ++s.histogram[std::size_t(std::min(bin, 63))];
    }
    return s;
}

void compare(const FlowStatistics &got, const FlowStatistics &want)
{
    QCOMPARE(got.rows, want.rows);
    QCOMPARE(got.cols, want.cols);
    QCOMPARE(got.known, want.known);
    QCOMPARE(got.unknown, want.unknown);
    QCOMPARE(got.minU, want.minU);
    QCOMPARE(got.maxU, want.maxU);
    QCOMPARE(got.minV, want.minV);
    QCOMPARE(got.maxV, want.maxV);
    // Summed in another order; every other figure is exact.
    QVERIFY2(std::fabs(got.meanMagnitude - want.meanMagnitude) <=
                 1e-12 * std::max(1.0, want.meanMagnitude),
             qPrintable(QString::number(got.meanMagnitude - want.meanMagnitude)));
    QCOMPARE(got.medianMagnitude, want.medianMagnitude);
    QCOMPARE(got.percentile99Magnitude, want.percentile99Magnitude);
    QCOMPARE(got.maxMagnitude, want.maxMagnitude);
    for (int b = 0; b < kMagnitudeBins; ++b)
        QCOMPARE(got.histogram[std::size_t(b)], want.histogram[std::size_t(b)]);
}

// Every figure to the bit: the sign of a zero extreme and the last bit of the mean included.
bool sameBits(const FlowStatistics &a, const FlowStatistics &b)
{
    return statisticsBits(a) == statisticsBits(b);
}

// Large random fields of the kinds that stress the selection.
Field randomField(const QString &kind, int rows, int cols, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Field f;
    f.rows = rows;
    f.cols = cols;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            float u = 0, v = 0;
            if (kind == QLatin1String("smooth")) {
                u = 12.0f * std::sin(x * 0.01f) + 0.001f * y;
                v = 7.0f * std::cos(y * 0.013f) - 0.5f;
            } else if (kind == QLatin1String("noise")) {
                u = 40.0f * unit(rng) - 20.0f;
                v = 40.0f * unit(rng) - 20.0f;
            } else if (kind == QLatin1String("ties")) {
                // Mostly still, a few moving by whole pixels: ranks fall among equal values.
                const float r = unit(rng);
                u = r < 0.8f ? 0.0f : float(int(r * 10));
                v = r < 0.9f ? 0.0f : -3.0f;
            } else if (kind == QLatin1String("heavy tail")) {
                u = std::pow(10.0f, 6.0f * unit(rng) - 3.0f);
                v = unit(rng) < 0.5f ? -u : 0.0f;
            } else if (kind == QLatin1String("tiny")) {
                // So short that 64 / the longest overflows a float: denormals and zeros.
                u = float(int(unit(rng) * 5)) * 1e-44f;
                v = unit(rng) < 0.5f ? 0.0f : 3e-45f;
            } else if (kind == QLatin1String("mostly unknown")) {
                u = unit(rng) < 0.97f ? 1e10f : 5.0f * unit(rng);
                v = 1.0f;
            }
            if (kind != QLatin1String("mostly unknown") && unit(rng) < 0.02f)
                (unit(rng) < 0.5f ? u : v) = unit(rng) < 0.5f ? kNaN : -1e10f;
            f.u.push_back(u);
            f.v.push_back(v);
        }
    }
    return f;
}

} // namespace

class TestFlowStatistics : public QObject
{
    Q_OBJECT

private slots:
    void nearestRank_data();
    void nearestRank();
    void allUnknown();
    void aSingleVector();
    void negativeComponents();
    void nanAndInfinityAreUnknown();
    void binsAtTheirEdges();
    void autoCutoffIgnoresUnknownVectors();
    void fastFormsMatchTheReference_data();
    void fastFormsMatchTheReference();
    void percentileMagnitudeIsTheStatisticsRank();
    void rankSelectionMatchesSorting_data();
    void rankSelectionMatchesSorting();
};

void TestFlowStatistics::nearestRank_data()
{
    QTest::addColumn<double>("percentile");
    QTest::addColumn<qulonglong>("n");
    QTest::addColumn<qulonglong>("rank");
    QTest::newRow("median of 3") << 50.0 << 3ull << 2ull;
    QTest::newRow("median of 4") << 50.0 << 4ull << 2ull;
    QTest::newRow("99th of 100") << 99.0 << 100ull << 99ull;
    QTest::newRow("99th of 101") << 99.0 << 101ull << 100ull;
    // 0.57 x 100 would be 57.000000000000007 in double: still the 57th.
    QTest::newRow("57th of 100") << 57.0 << 100ull << 57ull;
    QTest::newRow("99.9th of 1000") << 99.9 << 1000ull << 999ull;
    QTest::newRow("100th") << 100.0 << 7ull << 7ull;
    QTest::newRow("tiny percentile") << 0.0001 << 10ull << 1ull;
    QTest::newRow("one value") << 1.0 << 1ull << 1ull;
    QTest::newRow("large field") << 99.0 << 8294400ull << 8211456ull;
}

void TestFlowStatistics::nearestRank()
{
    QFETCH(double, percentile);
    QFETCH(qulonglong, n);
    QFETCH(qulonglong, rank);
    QCOMPARE(qulonglong(NearestRank(percentile, n)), rank);
}

void TestFlowStatistics::allUnknown()
{
    const FlowStatistics s = statisticsOf(row({{1e10f, 0}, {0, -2e9f}, {kNaN, 1}}));
    QCOMPARE(s.known, 0ull);
    QCOMPARE(s.unknown, 3ull);
    QCOMPARE(s.unknownPercent(), 100.0);
    QCOMPARE(s.maxMagnitude, -1.0f);
    QCOMPARE(s.medianMagnitude, -1.0f);
    QCOMPARE(s.percentile99Magnitude, -1.0f);
    QCOMPARE(s.minU, 0.0f);
    QCOMPARE(s.meanMagnitude, 0.0);
    for (std::uint64_t count : s.histogram)
        QCOMPARE(count, 0ull);
    QCOMPARE(AutoFlowCutoff(s), 0);
}

void TestFlowStatistics::aSingleVector()
{
    const FlowStatistics s = statisticsOf(row({{3, -4}}));
    QCOMPARE(s.known, 1ull);
    QCOMPARE(s.unknownPercent(), 0.0);
    QCOMPARE(s.meanMagnitude, 5.0);
    QCOMPARE(s.medianMagnitude, 5.0f);
    QCOMPARE(s.percentile99Magnitude, 5.0f);
    QCOMPARE(s.maxMagnitude, 5.0f);
    QCOMPARE(s.minU, 3.0f);
    QCOMPARE(s.maxU, 3.0f);
    QCOMPARE(s.minV, -4.0f);
    QCOMPARE(s.maxV, -4.0f);
    // The longest vector is in the last bin, which closes on it.
    QCOMPARE(s.histogram[63], 1ull);
    QCOMPARE(s.binLow(63), 5.0 * 63 / 64);
    QCOMPARE(s.binHigh(63), 5.0);
    QCOMPARE(AutoFlowCutoff(s), 4);
}

void TestFlowStatistics::negativeComponents()
{
    const FlowStatistics s =
        statisticsOf(row({{-7.5f, -1}, {2, -3}, {-0.5f, -2.25f}, {0, 0}, {1e10f, 5}}));
    QCOMPARE(s.known, 4ull);
    QCOMPARE(s.unknown, 1ull);
    QCOMPARE(s.unknownPercent(), 20.0);
    QCOMPARE(s.minU, -7.5f);
    QCOMPARE(s.maxU, 2.0f);
    QCOMPARE(s.minV, -3.0f);
    QCOMPARE(s.maxV, 0.0f);
    const double lengths[] = {std::sqrt(57.25), std::sqrt(13.0), std::sqrt(5.3125), 0.0};
    QCOMPARE(s.meanMagnitude, (lengths[0] + lengths[1] + lengths[2]) / 4);
    // Sorted: 0, 2.30, 3.61, 7.57; the median is the 2nd, the 99th percentile the 4th.
    QCOMPARE(s.medianMagnitude, float(lengths[2]));
    QCOMPARE(s.percentile99Magnitude, float(lengths[0]));
    QCOMPARE(s.histogram[0], 1ull);
    QCOMPARE(s.histogram[63], 1ull);
    QCOMPARE(AutoFlowCutoff(s), 8);
}

void TestFlowStatistics::nanAndInfinityAreUnknown()
{
    const FlowStatistics s =
        statisticsOf(row({{kInf, 0}, {0, -kInf}, {kNaN, kNaN}, {1e9f, 0}, {0, 2}}));
    QCOMPARE(s.known, 2ull);
    QCOMPARE(s.maxMagnitude, 1e9f);
    QCOMPARE(s.minV, 0.0f);
    QCOMPARE(s.maxV, 2.0f);
    QCOMPARE(AutoFlowCutoff(s), 1000000000);
}

// Magnitudes 0, 1, ... 64 make bins exactly one pixel wide: a magnitude on an edge opens the
// bin above it, one just below stays in the bin below, and the longest closes the last bin.
void TestFlowStatistics::binsAtTheirEdges()
{
    std::vector<std::pair<float, float>> vectors;
    for (int k = 0; k <= 64; ++k)
        vectors.push_back({0.0f, float(k)});
    for (int k = 1; k <= 64; ++k)
        vectors.push_back({std::nextafter(float(k), 0.0f), 0.0f});
    const FlowStatistics s = statisticsOf(row(vectors));
    QCOMPARE(s.maxMagnitude, 64.0f);
    QCOMPARE(s.histogram[0], 2ull); // 0, and just below 1
    for (int b = 1; b < 63; ++b) {
        QCOMPARE(s.binLow(b), double(b));
        QCOMPARE(s.histogram[std::size_t(b)], 2ull);
    }
    QCOMPARE(s.histogram[63], 3ull); // 63, just below 64, and 64
    compare(s, reference(row(vectors)));
}

// The largest component of the known vectors decides: an unknown marker of 1e10 or a NaN
// never does, and the ceiling is taken of the component, not of the vector's length.
void TestFlowStatistics::autoCutoffIgnoresUnknownVectors()
{
    QCOMPARE(AutoFlowCutoff(statisticsOf(row({{2.5f, -3.2f}, {1e10f, 0}}))), 4);
    QCOMPARE(AutoFlowCutoff(statisticsOf(row({{7, 7}}))), 7);
    QCOMPARE(AutoFlowCutoff(statisticsOf(row({{-7.0001f, 0}, {kNaN, 100}}))), 8);
    QCOMPARE(AutoFlowCutoff(statisticsOf(row({{0, 0}}))), 0);
}

void TestFlowStatistics::fastFormsMatchTheReference_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    for (const char *kind : {"smooth", "noise", "ties", "heavy tail", "tiny", "mostly unknown"}) {
        QTest::addRow("%s, 701 x 523", kind) << QString(kind) << 701 << 523;
        QTest::addRow("%s, 9 x 13", kind) << QString(kind) << 9 << 13;
        QTest::addRow("%s, 1 x 523", kind) << QString(kind) << 1 << 523;
    }
}

// Each kernel set, with the usual selection and with one whose brackets almost always miss or
// that never samples, on one thread and on two however small the bands, against the
// reference and, to the last bit of the sum, against each other.
void TestFlowStatistics::fastFormsMatchTheReference()
{
    QFETCH(QString, kind);
    QFETCH(int, rows);
    QFETCH(int, cols);
    const Field f = randomField(kind, rows, cols, 17);
    const FlowStatistics want = reference(f);
    const FloatPlane u = floatPlaneOf(f.u, rows, cols);
    const FloatPlane v = floatPlaneOf(f.v, rows, cols);

    magnitudes::SelectionTuning missing;
    missing.sampleSize = 8;
    missing.spread = 0;
    missing.directLimit = 0;
    magnitudes::SelectionTuning direct;
    direct.directLimit = ~0ull;
    std::optional<FlowStatistics> first;
    for (rowkernels::Isa isa :
         {rowkernels::Isa::Scalar, rowkernels::Isa::Avx2, rowkernels::Isa::Avx512}) {
        const magnitudes::MagnitudeKernels *kernels = magnitudes::magnitudeKernelsFor(isa);
        if (!kernels)
            continue;
        MagnitudeScratch scratch;
        for (const magnitudes::SelectionTuning &tuning :
             {magnitudes::SelectionTuning(), missing, direct}) {
            for (const BandPlan &plan : {singleBand(), BandPlan{2, 1}}) {
                const QByteArray what = QByteArray(kernels->name) + ", " +
                                        QByteArray::number(plan.threads) + " threads";
                const FlowStatistics got = magnitudes::computeFlowStatistics(
                    *kernels, u, v, rows, cols, scratch, tuning, plan);
                compare(got, want);
                if (QTest::currentTestFailed())
                    QFAIL(what.constData());
                // The same figures to the last bit, whichever processor runs them on however
                // many threads.
                if (!first)
                    first = got;
                QVERIFY2(sameBits(got, *first), what.constData());
                for (double percentile : {50.0, 99.0, 0.5})
                    QCOMPARE(magnitudes::percentileMagnitude(*kernels, u, v, rows, cols, percentile,
                                                             scratch, tuning, plan),
                             magnitudes::percentileMagnitude(*kernels, u, v, rows, cols, percentile,
                                                             scratch, tuning, singleBand()));
            }
        }
    }
}

void TestFlowStatistics::percentileMagnitudeIsTheStatisticsRank()
{
    const Field f = randomField(QStringLiteral("smooth"), 400, 300, 5);
    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    MagnitudeScratch scratch;
    const FlowStatistics s = ComputeFlowStatistics(u, v, f.rows, f.cols, scratch);
    QCOMPARE(PercentileMagnitude(u, v, f.rows, f.cols, 99, scratch), s.percentile99Magnitude);
    QCOMPARE(PercentileMagnitude(u, v, f.rows, f.cols, 50, scratch), s.medianMagnitude);
    QCOMPARE(PercentileMagnitude(u, v, f.rows, f.cols, 100, scratch), s.maxMagnitude);
    std::vector<float> m;
    for (std::size_t i = 0; i < f.u.size(); ++i)
        if (!isUnknownFlow(f.u[i], f.v[i]))
            m.push_back(float(std::sqrt(double(f.u[i]) * f.u[i] + double(f.v[i]) * f.v[i])));
    std::sort(m.begin(), m.end());
    QCOMPARE(PercentileMagnitude(u, v, f.rows, f.cols, 12.5, scratch),
             m[NearestRank(12.5, m.size()) - 1]);
    const FloatPlane unknown = floatPlaneOf({1e10f, kNaN}, 1, 2);
    QCOMPARE(PercentileMagnitude(unknown, unknown, 1, 2, 99, scratch), -1.0f);
}

void TestFlowStatistics::rankSelectionMatchesSorting_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("n");
    for (const char *kind : {"uniform", "few values", "far apart", "zeros and denormals"})
        for (int n : {1, 7, 4096, 4097, 200000})
            QTest::newRow(QByteArray(kind).append(", ").append(QByteArray::number(n)))
                << QString(kind) << n;
}

// The bracket's selection, by counts of leading bits, against the sorted values at every kind
// of rank: ties across and within the counted stretches, values bits apart by the whole
// exponent range, runs of one value larger than the direct selection takes.
void TestFlowStatistics::rankSelectionMatchesSorting()
{
    QFETCH(QString, kind);
    QFETCH(int, n);
    std::mt19937_64 rng(std::uint64_t(n) * 31 + std::uint64_t(kind.size()));
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values;
    for (int i = 0; i < n; ++i) {
        float x = unit(rng);
        if (kind == QLatin1String("few values"))
            x = float(int(x * 5)) * 0.25f;
        else if (kind == QLatin1String("far apart"))
            x = unit(rng) < 0.5f ? x * 1e-30f : 1e30f + x * 1e24f;
        else if (kind == QLatin1String("zeros and denormals"))
            x = unit(rng) < 0.3f ? 0.0f : x * 1e-40f;
        values.push_back(x);
    }
    std::vector<float> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::uint64_t count = std::uint64_t(n);
    for (std::uint64_t rank : {std::uint64_t(1), (count + 1) / 2, count, count * 99 / 100 + 1,
                               std::uint64_t(rng() % count) + 1}) {
        rank = std::min(rank, count);
        std::vector<float> shuffled = values;
        QCOMPARE(selectRank(shuffled, rank), sorted[std::size_t(rank - 1)]);
    }
}

QTEST_APPLESS_MAIN(TestFlowStatistics)
#include "test_flow_statistics.moc"
