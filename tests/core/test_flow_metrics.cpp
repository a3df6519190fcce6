#include "eval_arith.h"
#include "eval_kernels.h"
#include "field_planes.h"
#include "flow_metrics.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();

// One pixel's estimate and ground truth.
struct Vectors {
    float ue, ve, ug, vg;
};

struct Pair {
    FloatPlane ue, ve, ug, vg;

    EvalSums sums(const EvalMasks &masks = EvalMasks()) const
    {
        return evaluateFlow(ue, ve, ug, vg, masks);
    }
    EvalFigures figures() const { return evalFigures(sums()); }
    PixelPlane picture() const { return epePicture(ue, ve, ug, vg); }
};

Pair pairOf(const std::vector<Vectors> &pixels, int rows, int cols)
{
    std::vector<float> ue, ve, ug, vg;
    for (const Vectors &p : pixels) {
        ue.push_back(p.ue);
        ve.push_back(p.ve);
        ug.push_back(p.ug);
        vg.push_back(p.vg);
    }
    return {floatPlaneOf(ue, rows, cols), floatPlaneOf(ve, rows, cols),
            floatPlaneOf(ug, rows, cols), floatPlaneOf(vg, rows, cols)};
}

Pair randomPair(std::mt19937 &random, int rows, int cols)
{
    std::normal_distribution<float> motion(0.0f, 8.0f);
    std::normal_distribution<float> error(0.0f, 2.0f);
    std::uniform_int_distribution<int> holes(0, 19);
    std::vector<Vectors> pixels;
    for (int i = 0; i < rows * cols; ++i) {
        Vectors p;
        p.ug = motion(random);
        p.vg = motion(random);
        p.ue = p.ug + error(random);
        p.ve = p.vg + error(random);
        if (holes(random) == 0)
            p.ug = kNan;
        if (holes(random) == 0)
            p.ve = 2e9f;
        pixels.push_back(p);
    }
    return pairOf(pixels, rows, cols);
}

bool sameSums(const EvalSums &a, const EvalSums &b)
{
    return a.evaluated == b.evaluated && a.gtKnown == b.gtKnown && a.epe == b.epe &&
           a.angle == b.angle && a.outliers == b.outliers && a.below1 == b.below1 &&
           a.below3 == b.below3 && a.below5 == b.below5 &&
           std::equal(a.speedCount, a.speedCount + kSpeedBands, b.speedCount) &&
           std::equal(a.speedEpe, a.speedEpe + kSpeedBands, b.speedEpe) &&
           a.matched == b.matched && a.unmatched == b.unmatched &&
           a.matchedEpe == b.matchedEpe && a.unmatchedEpe == b.unmatchedEpe &&
           a.background == b.background && a.foreground == b.foreground &&
           a.bgOutliers == b.bgOutliers && a.fgOutliers == b.fgOutliers;
}

// acos(1 / sqrt(26)) in degrees: the angle between (3, 4, 1) and (0, 0, 1).
constexpr double kAngleOf34 = 78.690067525979785;

} // namespace

class TestFlowMetrics : public QObject
{
    Q_OBJECT

private slots:
    void handComputedFigures();
    void outlierNeedsBothThresholds_data();
    void outlierNeedsBothThresholds();
    void unknownOnEitherSide();
    void nothingEvaluated();
    void speedBandsAtTheirEdges();
    void occlusionAndObjectMasks();
    void equalVectorsHaveNoAngle();
    void pooledIsPixelWeighted();
    void binsAtTheirBounds();
    void pictureColoursAndBlack();
    void arcCosNearTheLibrary();
    void vectorRunsMatchThePlain(); // the sums and the picture
    void twoThreadsGiveTheBitsOfOne();
};

void TestFlowMetrics::handComputedFigures()
{
    const EvalFigures f = pairOf({{3, 4, 0, 0}}, 1, 1).figures();
    QCOMPARE(f.evaluated, std::int64_t(1));
    QCOMPARE(f.coverage, 100.0);
    QCOMPARE(f.aee, 5.0);
    QVERIFY(qAbs(f.aae - kAngleOf34) < 1e-12);
    QCOMPARE(f.flAll, 100.0); // 5 > 3 and 5 > 0.05 x 0
    QCOMPARE(f.px1, 0.0);
    QCOMPARE(f.px3, 0.0);
    QCOMPARE(f.px5, 0.0); // "below 5" is strict

    // Four pixels: EPE 5, 0, 0.5 and 2.
    const EvalFigures g =
        pairOf({{3, 4, 0, 0}, {1, 1, 1, 1}, {0, -0.5f, 0, 0}, {-2, 7, 0, 7}}, 2, 2).figures();
    QCOMPARE(g.aee, 7.5 / 4);
    QCOMPARE(g.flAll, 25.0);
    QCOMPARE(g.px1, 50.0);
    QCOMPARE(g.px3, 75.0);
    QCOMPARE(g.px5, 75.0);
}

void TestFlowMetrics::outlierNeedsBothThresholds_data()
{
    QTest::addColumn<Vectors>("pixel");
    QTest::addColumn<bool>("outlier");
    QTest::newRow("4 px off 100 px: 4 % is no outlier") << Vectors{104, 0, 100, 0} << false;
    QTest::newRow("4 px off 50 px: 8 % is") << Vectors{0, 54, 0, 50} << true;
    QTest::newRow("exactly 5 % is not beyond it") << Vectors{84, 0, 80, 0} << false;
    QTest::newRow("exactly 3 px is not beyond it") << Vectors{3, 0, 0, 0} << false;
    QTest::newRow("just past 3 px") << Vectors{3.0001f, 0, 0, 0} << true;
}

void TestFlowMetrics::outlierNeedsBothThresholds()
{
    QFETCH(Vectors, pixel);
    QFETCH(bool, outlier);
    const EvalSums s = pairOf({pixel}, 1, 1).sums();
    QCOMPARE(s.evaluated, std::int64_t(1));
    QCOMPARE(s.outliers, std::int64_t(outlier));
}

void TestFlowMetrics::unknownOnEitherSide()
{
    // Evaluated: the first and the one at the limit. Estimate unknown: NaN, beyond 1e9,
    // infinite. Ground truth unknown: NaN, beyond 1e9 (KITTI's invalid pixels arrive as NaN).
    const float inf = std::numeric_limits<float>::infinity();
    const Pair pair = pairOf({{3, 4, 0, 0},
                              {1e9f, 0, 1e9f, 1},
                              {kNan, 0, 0, 0},
                              {0, 1.5e9f, 0, 0},
                              {-inf, 0, 1, 1},
                              {0, 0, 0, kNan},
                              {0, 0, -2e9f, 0},
                              {kNan, kNan, kNan, kNan}},
                             2, 4);
    const EvalSums s = pair.sums();
    QCOMPARE(s.gtKnown, std::int64_t(5));
    QCOMPARE(s.evaluated, std::int64_t(2));
    QCOMPARE(s.epe, 6.0);
    const EvalFigures f = evalFigures(s);
    QCOMPARE(f.coverage, 40.0);
    QCOMPARE(f.aee, 3.0);
    QCOMPARE(f.flAll, 50.0);
}

void TestFlowMetrics::nothingEvaluated()
{
    // The estimate knows nothing where the ground truth does: coverage 0, the rest NaN.
    const EvalFigures f = pairOf({{kNan, 0, 1, 1}, {0, 0, kNan, 0}}, 1, 2).figures();
    QCOMPARE(f.evaluated, std::int64_t(0));
    QCOMPARE(f.coverage, 0.0);
    for (const double figure : {f.aee, f.aae, f.flAll, f.px1, f.px3, f.px5})
        QVERIFY(std::isnan(figure));

    // A ground truth that knows nothing covers nothing either.
    const EvalFigures none = pairOf({{1, 1, kNan, 0}}, 1, 1).figures();
    QCOMPARE(none.evaluated, std::int64_t(0));
    QVERIFY(std::isnan(none.coverage));
    QVERIFY(std::isnan(none.aee));
}

void TestFlowMetrics::speedBandsAtTheirEdges()
{
    // Ground-truth lengths just below, at and above 10 and 40; EPE 1, 2, 3, 4, 5, 6.
    const float below10 = std::nextafter(10.0f, 0.0f);
    const Pair pair = pairOf({{0, below10 + 1, 0, below10},
                              {6, 8 + 2, 6, 8}, // (6, 8) is 10 long
                              {0, 39 + 3, 0, 39},
                              {0, 40 + 4, 0, 40},
                              {24, 32 + 5, 24, 32}, // 40 long
                              {0, 1000 + 6, 0, 1000},
                              {kNan, 0, 0, 50}},
                             1, 7);
    const EvalSums s = pair.sums();
    QCOMPARE(s.speedCount[0], std::int64_t(1));
    QCOMPARE(s.speedCount[1], std::int64_t(2));
    QCOMPARE(s.speedCount[2], std::int64_t(3));
    const EvalFigures f = evalFigures(s);
    QCOMPARE(f.aeeSpeed[0], 1.0);
    QCOMPARE(f.aeeSpeed[1], 2.5);
    QCOMPARE(f.aeeSpeed[2], 5.0);
    // No band is reported empty but as NaN; without masks neither are their figures.
    const EvalFigures slow = pairOf({{1, 1, 1, 1}}, 1, 1).figures();
    QCOMPARE(slow.aeeSpeed[0], 0.0);
    QVERIFY(std::isnan(slow.aeeSpeed[1]) && std::isnan(slow.aeeSpeed[2]));
    QVERIFY(std::isnan(slow.aeeMatched) && std::isnan(slow.flBg) && std::isnan(slow.flFg));

    // The vector kernels compare squares: the bound is where the square root reaches the edge.
    for (const double edge : kSpeedBandBounds) {
        const double bound = evalarith::squareBound(edge);
        QVERIFY(std::sqrt(bound) >= edge && std::sqrt(std::nextafter(bound, 0.0)) < edge);
    }
    QVERIFY(evalarith::squareBound(10.0) < 100.0); // sqrt rounds up to 10 just below 100
}

void TestFlowMetrics::occlusionAndObjectMasks()
{
    // EPE 5 (an outlier), 0, 2 and a pixel the estimate does not know.
    Pair pair = pairOf({{3, 4, 0, 0}, {1, 1, 1, 1}, {0, 2, 0, 0}, {kNan, 0, 0, 0}}, 2, 2);
    const std::uint8_t none[4] = {0, 0, 0, 0};
    const std::uint8_t all[4] = {255, 1, 128, 9};
    const std::uint8_t first[4] = {7, 0, 0, 0};
    const EvalFigures unoccluded = evalFigures(pair.sums({none, none}));
    QCOMPARE(unoccluded.aeeMatched, 7.0 / 3);
    QVERIFY(std::isnan(unoccluded.aeeUnmatched));
    QCOMPARE(unoccluded.flBg, 100.0 / 3);
    QVERIFY(std::isnan(unoccluded.flFg));
    const EvalFigures occluded = evalFigures(pair.sums({all, all}));
    QVERIFY(std::isnan(occluded.aeeMatched));
    QCOMPARE(occluded.aeeUnmatched, 7.0 / 3);
    QCOMPARE(occluded.flFg, 100.0 / 3);
    const EvalSums one = pair.sums({first, first});
    QCOMPARE(one.unmatched, std::int64_t(1));
    QCOMPARE(one.matched, std::int64_t(2));
    QCOMPARE(evalFigures(one).aeeUnmatched, 5.0);
    QCOMPARE(evalFigures(one).aeeMatched, 1.0);
    QCOMPARE(evalFigures(one).flFg, 100.0);
    QCOMPARE(evalFigures(one).flBg, 0.0);

    // Excluded pixels leave every figure, coverage's denominator included.
    const std::uint8_t outlierAndHole[4] = {1, 0, 0, 1};
    excludePixels(pair.ug, pair.vg, outlierAndHole);
    const EvalFigures f = pair.figures();
    QCOMPARE(f.evaluated, std::int64_t(2));
    QCOMPARE(f.coverage, 100.0);
    QCOMPARE(f.aee, 1.0);
    QCOMPARE(f.flAll, 0.0);
}

void TestFlowMetrics::equalVectorsHaveNoAngle()
{
    // Rounding may carry the cosine of a vector with itself past 1, where acos is NaN, or just
    // below it: the angle stays a rounding error.
    std::mt19937 random(15);
    std::uniform_real_distribution<float> value(-300.0f, 300.0f);
    std::vector<Vectors> pixels;
    for (int i = 0; i < 4096; ++i) {
        const float u = value(random);
        const float v = value(random);
        pixels.push_back({u, v, u, v});
    }
    const EvalSums s = pairOf(pixels, 64, 64).sums();
    QVERIFY(s.angle >= 0.0 && s.angle < 4096 * 1e-5);
    QCOMPARE(s.epe, 0.0);
    QCOMPARE(evalFigures(s).px1, 100.0);

    // Opposite unit vectors: (1, 0, 1) against (-1, 0, 1) meet at a right angle.
    QVERIFY(qAbs(pairOf({{1, 0, -1, 0}}, 1, 1).figures().aae - 90.0) < 1e-12);
}

void TestFlowMetrics::pooledIsPixelWeighted()
{
    std::mt19937 random(7);
    const Pair a = randomPair(random, 5, 40);
    const Pair b = randomPair(random, 37, 40);

    // Pooling counts every pixel of both pairs as one pair holding both would; only the
    // grouping of the additions differs.
    auto stacked = [](const FloatPlane &top, const FloatPlane &bottom) {
        std::vector<float> values = valuesOf(top);
        const std::vector<float> more = valuesOf(bottom);
        values.insert(values.end(), more.begin(), more.end());
        return floatPlaneOf(values, top.rows() + bottom.rows(), top.cols());
    };
    const EvalSums whole = evaluateFlow(stacked(a.ue, b.ue), stacked(a.ve, b.ve),
                                        stacked(a.ug, b.ug), stacked(a.vg, b.vg));
    EvalSums pooled = a.sums();
    pooled += b.sums();
    QCOMPARE(pooled.evaluated, whole.evaluated);
    QCOMPARE(pooled.gtKnown, whole.gtKnown);
    QCOMPARE(pooled.outliers, whole.outliers);
    QCOMPARE(pooled.below1 + pooled.below3 + pooled.below5,
             whole.below1 + whole.below3 + whole.below5);
    QVERIFY(qAbs(pooled.epe - whole.epe) < 1e-9 * whole.epe);
    QVERIFY(qAbs(pooled.angle - whole.angle) < 1e-9 * whole.angle);
    // Pooling adds in pair order; the same pairs pooled again give the same bits.
    EvalSums again = a.sums();
    again += b.sums();
    QVERIFY(sameSums(pooled, again));

    const EvalFigures fa = a.figures();
    const EvalFigures fb = b.figures();
    const EvalFigures fp = evalFigures(pooled);
    QCOMPARE(fp.evaluated, fa.evaluated + fb.evaluated);
    const double weighted =
        (fa.aee * double(fa.evaluated) + fb.aee * double(fb.evaluated)) / double(fp.evaluated);
    QVERIFY(qAbs(fp.aee - weighted) < 1e-12);
    QVERIFY(qAbs(fp.aee - (fa.aee + fb.aee) / 2) > 1e-6); // not a mean of means
}

void TestFlowMetrics::binsAtTheirBounds()
{
    QCOMPARE(epeBin(0.0), 0);
    for (int k = 0; k < 9; ++k) {
        const double bound = kEpeBounds[k];
        QCOMPARE(epeBin(bound), k + 1);
        QCOMPARE(epeBin(std::nextafter(bound, 0.0)), k);
    }
    QCOMPARE(epeBin(0.25), 1);
    QCOMPARE(epeBin(1e6), 9);
    QCOMPARE(epeBin(std::numeric_limits<double>::infinity()), 9);
}

void TestFlowMetrics::pictureColoursAndBlack()
{
    // Row 0: EPE exactly at each bound, from a zero ground truth; row 1: 0, just below 0.25,
    // then the unknown cases, which are black.
    std::vector<Vectors> pixels;
    for (const double bound : kEpeBounds)
        pixels.push_back({0, float(bound), 0, 0});
    pixels.push_back({0, 0, 0, 0});
    pixels.push_back({0.2499f, 0, 0, 0});
    pixels.push_back({kNan, 0, 0, 0});
    pixels.push_back({0, 0, 0, kNan});
    pixels.push_back({0, 0, 5e9f, 0});
    while (pixels.size() < 18)
        pixels.push_back({100, 100, -100, -100});
    const PixelPlane picture = pairOf(pixels, 2, 9).picture();
    QCOMPARE(picture.cols(), 9);
    QCOMPARE(picture.rows(), 2);

    auto colourAt = [&picture](int r, int c) {
        const std::uint8_t *p = picture[r][c];
        return QList<int>{p[0], p[1], p[2]};
    };
    auto entry = [](int k) {
        return QList<int>{kEpeColors[k][0], kEpeColors[k][1], kEpeColors[k][2]};
    };
    for (int k = 0; k < 9; ++k)
        QCOMPARE(colourAt(0, k), entry(k + 1));
    QCOMPARE(colourAt(1, 0), entry(0));
    QCOMPARE(colourAt(1, 1), entry(0));
    for (int c = 2; c < 5; ++c)
        QCOMPARE(colourAt(1, c), (QList<int>{0, 0, 0}));
    QCOMPARE(colourAt(1, 8), entry(9));
    QCOMPARE(entry(0), (QList<int>{49, 54, 149}));
    QCOMPARE(entry(9), (QList<int>{165, 0, 38}));
}

void TestFlowMetrics::arcCosNearTheLibrary()
{
    using evalkernels::arcCos;
    QCOMPARE(arcCos(1.0), 0.0);
    QCOMPARE(arcCos(-1.0), std::acos(-1.0));
    QCOMPARE(arcCos(0.0), std::acos(0.0));

    // Both ranges, their seam at 1/2 and the ends, where the angles of good estimates lie.
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> anywhere(-1.0, 1.0);
    std::uniform_real_distribution<double> nearOne(0.0, 1e-6);
    std::vector<double> qs;
    for (int i = 0; i < 200000; ++i) {
        qs.push_back(anywhere(random));
        qs.push_back(1.0 - nearOne(random));
        qs.push_back(-1.0 + nearOne(random));
    }
    for (double seam : {0.5, -0.5, 1.0, -1.0}) {
        double q = seam;
        for (int i = 0; i < 50; ++i) {
            qs.push_back(q);
            q = std::nextafter(q, 0.0);
        }
        qs.push_back(std::nextafter(seam, 2 * seam));
    }
    int differ = 0;
    double worst = 0;
    for (const double q : qs) {
        if (std::fabs(q) > 1.0)
            continue;
        const double mine = arcCos(q);
        const double library = std::acos(q);
        const double ulp = std::nextafter(library, 4.0) - library;
        worst = std::max(worst, std::fabs(mine - library) / ulp);
        differ += mine != library;
    }
    QVERIFY2(worst <= 2.0, qPrintable(QStringLiteral("%1 ulp").arg(worst)));
    // Mostly the very same bits.
    QVERIFY2(differ < int(qs.size()) / 5, qPrintable(QString::number(differ)));
}

void TestFlowMetrics::vectorRunsMatchThePlain()
{
    // Every kind of pixel: ordinary errors, equal and opposite vectors, huge and tiny motion,
    // and every way of being unknown, on either side.
    const float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {0.0f, -0.0f, 1e9f,   -1e9f, 1.0000001e9f, kNan,    inf,
                              -inf, 1e10f, 1e-30f, 3.0f,  0.5f,         -700.25f};
    std::mt19937 random(11);
    std::normal_distribution<float> motion(0.0f, 20.0f);
    std::normal_distribution<float> error(0.0f, 3.0f);
    std::uniform_int_distribution<int> kind(0, 15);
    std::uniform_int_distribution<int> special(0, int(std::size(specials)) - 1);
    const std::size_t n = 300007; // not a multiple of any vector's width
    std::vector<float> ue(n), ve(n), ug(n), vg(n);
    for (std::size_t i = 0; i < n; ++i) {
        ug[i] = motion(random);
        vg[i] = motion(random);
        ue[i] = ug[i] + error(random);
        ve[i] = vg[i] + error(random);
        switch (kind(random)) {
        case 0:
            ue[i] = ug[i];
            ve[i] = vg[i];
            break;
        case 1:
            ue[i] = -ug[i];
            ve[i] = -vg[i];
            break;
        case 2:
            ue[i] = specials[special(random)];
            break;
        case 3:
            vg[i] = specials[special(random)];
            break;
        case 4:
            ug[i] *= 1e6f;
            ue[i] *= 1e6f;
            break;
        default:
            break;
        }
    }
    std::vector<std::uint8_t> occluded(n), foreground(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < n; ++i) {
        occluded[i] = std::uint8_t(kind(random) < 3 ? byte(random) : 0);
        foreground[i] = std::uint8_t(kind(random) < 8 ? 1 : 0);
    }
    const EvalMasks masks{occluded.data(), foreground.data()};
    EvalSums plain;
    plain.epe = 0.125; // a run continues the sums it is given
    plain.speedEpe[2] = 0.5;
    EvalSums start = plain;
    evalkernels::evalRunPlain(ue.data(), ve.data(), ug.data(), vg.data(), masks, n, plain);
    QVERIFY(plain.evaluated > std::int64_t(n / 2) && plain.evaluated < plain.gtKnown);
    QVERIFY(plain.unmatched > 0 && plain.foreground > 0 && plain.speedCount[2] > 0);
    int tried = 0;
    for (const rowkernels::Isa isa : {rowkernels::Isa::Avx2, rowkernels::Isa::Avx512}) {
        const evalkernels::EvalRun run = evalkernels::evalRunFor(isa);
        if (!run)
            continue;
        ++tried;
        EvalSums lanes = start;
        run(ue.data(), ve.data(), ug.data(), vg.data(), masks, n, lanes);
        QVERIFY(sameSums(lanes, plain));
        std::vector<std::uint8_t> plainPicture(3 * n), lanesPicture(3 * n, 7);
        evalkernels::epeRunPlain(ue.data(), ve.data(), ug.data(), vg.data(), n,
                                 plainPicture.data());
        evalkernels::epeRunFor(isa)(ue.data(), ve.data(), ug.data(), vg.data(), n,
                                    lanesPicture.data());
        QVERIFY(lanesPicture == plainPicture);
        for (std::size_t short_ : {std::size_t(0), std::size_t(3), std::size_t(17)}) {
            for (const EvalMasks &m : {masks, EvalMasks{nullptr, foreground.data()}}) {
                EvalSums a, b;
                run(ue.data(), ve.data(), ug.data(), vg.data(), m, short_, a);
                evalkernels::evalRunPlain(ue.data(), ve.data(), ug.data(), vg.data(), m, short_,
                                          b);
                QVERIFY(sameSums(a, b));
            }
        }
    }
    if (tried == 0)
        QSKIP("this processor runs only the plain kernel");
}

// The second half's values, worked on another thread and added after the first half's sums,
// give the sums of one run: per kernel, and through evaluateFlow on shapes of every kind.
void TestFlowMetrics::twoThreadsGiveTheBitsOfOne()
{
    std::mt19937 random(5);
    for (const auto &[rows, cols] : {std::pair{2, 1}, {3, 17}, {301, 17}, {64, 129}}) {
        const Pair pair = randomPair(random, rows, cols);
        const std::size_t n = std::size_t(rows) * std::size_t(cols);
        std::vector<std::uint8_t> occluded(n), objects(n);
        for (std::size_t i = 0; i < n; ++i) {
            occluded[i] = std::uint8_t(i % 3 == 0 ? 200 : 0);
            objects[i] = std::uint8_t(i % 5 < 2);
        }
        for (const EvalMasks &masks : {EvalMasks(), EvalMasks{occluded.data(), objects.data()}}) {
            const EvalSums one = evaluateFlow(pair.ue, pair.ve, pair.ug, pair.vg, masks, singleBand());
            const EvalSums two =
                evaluateFlow(pair.ue, pair.ve, pair.ug, pair.vg, masks, BandPlan{2, 1});
            QVERIFY2(sameSums(one, two), qPrintable(QStringLiteral("%1 x %2").arg(rows).arg(cols)));
        }
        // Every kernel's values are the plain kernel's, and add up to its run.
        std::vector<double> epe(n), angle(n), plainEpe(n), plainAngle(n);
        std::vector<std::uint8_t> classes(n), plainClasses(n);
        const EvalMasks masks{occluded.data(), objects.data()};
        EvalSums plainCounts, run;
        evalkernels::evalValuesPlain(pair.ue.data(), pair.ve.data(), pair.ug.data(),
                                     pair.vg.data(), masks, n,
                                     {plainEpe.data(), plainAngle.data(), plainClasses.data()},
                                     plainCounts);
        evalkernels::evalRunPlain(pair.ue.data(), pair.ve.data(), pair.ug.data(), pair.vg.data(),
                                  masks, n, run);
        for (const rowkernels::Isa isa :
             {rowkernels::Isa::Scalar, rowkernels::Isa::Avx2, rowkernels::Isa::Avx512}) {
            const evalkernels::EvalValuesRun values = evalkernels::evalValuesRunFor(isa);
            if (!values)
                continue;
            EvalSums sums;
            const evalkernels::EvalValues out{epe.data(), angle.data(), classes.data()};
            values(pair.ue.data(), pair.ve.data(), pair.ug.data(), pair.vg.data(), masks, n, out,
                   sums);
            QVERIFY(epe == plainEpe && angle == plainAngle && classes == plainClasses);
            evalkernels::addEvalValues(out, n, true, sums);
            QVERIFY(sameSums(sums, run));
        }
    }
}

QTEST_APPLESS_MAIN(TestFlowMetrics)
#include "test_flow_metrics.moc"
