#include "color_wheel.h"
#include "exact_cache.h"
#include "field_planes.h"
#include "flow_to_color.h"
#include "kernel_planes.h"
#include "plane_minmax.h"
#include "reference_coding.h"
#include "row_kernels.h"
#include "wheel_pairs.h"

#include <QTest>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

// 1024 x 1024 vectors per random field: over a million per comparison in every row below.
constexpr int kRows = 1024;
constexpr int kCols = 1024;

struct Field {
    int rows = 0;
    int cols = 0;
    std::vector<float> u;
    std::vector<float> v;
};

class FieldMaker
{
public:
    explicit FieldMaker(std::uint64_t seed) : rng_(seed) {}

    // One component across every scale the program may meet, with the values where rounding,
    // clamping and the unknown test change their answer.
    float component()
    {
        const int p = percent();
        const bool negative = rng_() & 1;
        double magnitude;
        if (p < 45)
            magnitude = std::pow(10.0, -30.0 + 42.0 * unit()); // 1e-30 .. 1e12
        else if (p < 65)
            magnitude = std::floor(21.0 * unit()); // whole numbers on the small cutoffs
        else if (p < 80)
            magnitude = 2000.0 * unit(); // ordinary motion around a cutoff of 1500
        else if (p < 88)
            magnitude = 0.0;
        else
            return special();
        return float(negative ? -magnitude : magnitude);
    }

    std::pair<float, float> vector()
    {
        const int p = percent();
        const float zero = (rng_() & 1) ? 0.0f : -0.0f;
        if (p < 55)
            return {component(), component()};
        if (p < 65)
            return {zero, component()};
        if (p < 75)
            return {component(), zero};
        if (p < 85) {
            // Either side of the seam on the +u axis.
            const float u = std::fabs(component());
            const float tiny[] = {zero, std::numeric_limits<float>::denorm_min(), 1e-30f, 1e-7f * u,
                                  1e-3f * u};
            const float v = tiny[rng_() % 5];
            return {u, (rng_() & 1) ? v : -v};
        }
        if (p < 93) {
            // Lengths that land on or next to the normalising radius.
            const float k = float(1 + rng_() % 400) * ((rng_() & 1) ? 1.0f : 0.25f);
            const std::pair<float, float> shapes[] = {
                {3 * k, 4 * k}, {5 * k, 0}, {k, k}, {0, -5 * k}, {-4 * k, 3 * k}};
            return shapes[rng_() % 5];
        }
        return {special(), special()};
    }

    // Normalised components as VectorColor receives them, mostly within radius 1.5.
    std::pair<float, float> normalised()
    {
        const int p = percent();
        if (p < 50)
            return {float(3.0 * unit() - 1.5), float(3.0 * unit() - 1.5)};
        if (p < 70) {
            // On the unit circle, the boundary of the fading and darkening branches.
            const double angle = 2.0 * M_PI * unit();
            return {float(std::cos(angle)), float(std::sin(angle))};
        }
        return vector();
    }

    Field field(int rows, int cols)
    {
        Field f{rows, cols, {}, {}};
        f.u.resize(std::size_t(rows) * cols);
        f.v.resize(f.u.size());
        for (std::size_t i = 0; i < f.u.size(); ++i)
            std::tie(f.u[i], f.v[i]) = vector();
        return f;
    }

    // Smooth motion of up to about 40 pixels with scattered unknown markers, where the
    // automatic radius is a real length rather than an outlier.
    Field smoothField(int rows, int cols)
    {
        Field f{rows, cols, {}, {}};
        f.u.resize(std::size_t(rows) * cols);
        f.v.resize(f.u.size());
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                const std::size_t i = std::size_t(r) * cols + c;
                f.u[i] = float(30.0 * std::sin(c * 0.013) + 8.0 * std::cos(r * 0.021));
                f.v[i] = float(25.0 * std::cos(c * 0.007 + r * 0.011));
                const int p = percent();
                if (p == 0)
                    f.u[i] = 1e10f;
                else if (p == 1)
                    f.v[i] = std::numeric_limits<float>::quiet_NaN();
            }
        }
        return f;
    }

private:
    int percent() { return int(rng_() % 100); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }

    float special()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const float values[] = {1e9f,
                                -1e9f,
                                std::nextafter(1e9f, inf),
                                std::nextafter(1e9f, 0.0f),
                                std::numeric_limits<float>::quiet_NaN(),
                                -std::numeric_limits<float>::quiet_NaN(),
                                inf,
                                -inf,
                                std::numeric_limits<float>::denorm_min(),
                                -std::numeric_limits<float>::denorm_min(),
                                FLT_MIN,
                                FLT_MAX,
                                -FLT_MAX,
                                1500.0f,
                                1500.5f,
                                10.0f,
                                -1.0f};
        constexpr int count = int(sizeof(values) / sizeof(values[0]));
        const int pick = int(rng_() % (count + 1));
        if (pick < count)
            return values[pick];
        // A random denormal.
        const std::uint32_t bits = std::uint32_t(1 + rng_() % 0x7fffff) | ((rng_() & 1u) << 31);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    std::mt19937_64 rng_;
};

using rowkernels::Isa;
using rowkernels::RowKernels;

// Every kernel this processor can run: the plane functions are compared with the reference
// through each of them, not only through the one the program would pick.
std::vector<Isa> kernels()
{
    std::vector<Isa> all;
    for (Isa isa : {Isa::Scalar, Isa::Avx2, Isa::Avx512})
        if (rowkernels::kernelsFor(isa))
            all.push_back(isa);
    return all;
}

// The kernels of a test row's isa column.
const RowKernels &kernelsOf(int isa)
{
    return *rowkernels::kernelsFor(Isa(isa));
}

// One band on the calling thread, or that many threads on bands however small: every count
// must give the bytes of the reference.
BandPlan bandPlan(int bands)
{
    return BandPlan{bands, 1};
}

// The first rows of a field.
Field firstRows(Field f, int rows)
{
    f.rows = rows;
    f.u.resize(std::size_t(rows) * std::size_t(f.cols));
    f.v.resize(f.u.size());
    return f;
}

// Empty when equal, else where and how the first pixel differs.
QString firstDifference(const std::vector<std::uint8_t> &actual,
                        const std::vector<std::uint8_t> &expected, const Field &f)
{
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i])
            continue;
        const std::size_t p = i / 3;
        const std::uint8_t *a = &actual[3 * p];
        const std::uint8_t *e = &expected[3 * p];
        return QString::asprintf("pixel %zu (u %.9g, v %.9g): got %d %d %d, reference %d %d %d", p,
                                 double(f.u[p]), double(f.v[p]), a[0], a[1], a[2], e[0], e[1],
                                 e[2]);
    }
    return QString();
}

bool sameBits(const std::vector<float> &a, const std::vector<float> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

std::size_t distinctColors(const std::vector<std::uint8_t> &rgb)
{
    std::vector<bool> seen(std::size_t(1) << 24);
    std::size_t count = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const std::size_t key =
            std::size_t(rgb[i]) << 16 | std::size_t(rgb[i + 1]) << 8 | rgb[i + 2];
        if (!seen[key]) {
            seen[key] = true;
            ++count;
        }
    }
    return count;
}

} // namespace

class ReferenceMatchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wheelMatches();
    void wheelPairsDescribeTheWheel();
    void vectorColorMatches();
    void flowToColorMatches_data();
    void flowToColorMatches();
    void clampFlowMatches_data();
    void clampFlowMatches();
    void greyViewsMatch_data();
    void greyViewsMatch();
    void renderedViewsMatch_data();
    void renderedViewsMatch();
    void rowEndsAndShortRows_data();
    void rowEndsAndShortRows();
    void openingCutoffMatches_data();
    void openingCutoffMatches();

private:
    const Field &fieldNamed(const QString &name) const;
    Field clamped(const Field &f, int limit, bool clampAll) const;

    Field random_;
    Field smooth_;
};

void ReferenceMatchTest::initTestCase()
{
    FieldMaker maker(20240611);
    random_ = maker.field(kRows, kCols);
    smooth_ = maker.smoothField(436, 1024);
}

const Field &ReferenceMatchTest::fieldNamed(const QString &name) const
{
    return name == QLatin1String("smooth") ? smooth_ : random_;
}

Field ReferenceMatchTest::clamped(const Field &f, int limit, bool clampAll) const
{
    Field out = f;
    reference::clampFlow(f.u, f.v, out.u, out.v, limit, clampAll);
    return out;
}

void ReferenceMatchTest::wheelMatches()
{
    int expected[55][3];
    reference::buildWheel(expected);
    QCOMPARE(wheelSize, 55);
    QVERIFY(std::memcmp(colorWheel, expected, sizeof expected) == 0);
}

// The vector kernels read the wheel through its pairs of neighbours: each must give back both
// entries, with one channel changing and the others at 0 or 255.
void ReferenceMatchTest::wheelPairsDescribeTheWheel()
{
    int wheel[55][3];
    reference::buildWheel(wheel);
    for (int k = 0; k < 54; ++k) {
        const std::uint64_t pair = rowkernels::wheelPairs[k];
        QVERIFY2(!(pair & rowkernels::kIrregularPair), qPrintable(QString::number(k)));
        const int changing = int(pair >> 16 & 0xff) / 8;
        for (int b = 0; b < 3; ++b) {
            const int steady = (pair >> (32 + 8 * b) & 0xff) ? 255 : 0;
            const int now = b == changing ? int(pair & 0xff) : steady;
            const int next = b == changing ? int(pair >> 8 & 0xff) : steady;
            QCOMPARE(now, wheel[k][b]);
            QCOMPARE(next, wheel[k + 1][b]);
        }
    }
}

void ReferenceMatchTest::vectorColorMatches()
{
    FieldMaker maker(7);
    for (int i = 0; i < kRows * kCols; ++i) {
        const auto [fx, fy] = maker.normalised();
        unsigned char actual[3], expected[3];
        VectorColor(fx, fy, actual);
        reference::vectorColor(fx, fy, expected);
        if (std::memcmp(actual, expected, 3) != 0)
            QFAIL(qPrintable(QString::asprintf("(%.9g, %.9g): got %d %d %d, reference %d %d %d",
                                               double(fx), double(fy), actual[0], actual[1],
                                               actual[2], expected[0], expected[1], expected[2])));
    }
}

void ReferenceMatchTest::flowToColorMatches_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("cutoff");
    QTest::addColumn<bool>("clampFirst");
    QTest::addColumn<int>("bands");

    for (Isa isa : kernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        // Raw fields reach every scale; clamped ones are what the window colours.
        for (int cutoff : {0, 1, 10, 1500, INT_MAX, -5})
            QTest::addRow("%s, random, raw, cutoff %d", k, cutoff)
                << int(isa) << "random" << cutoff << false << 1;
        for (int cutoff : {1, 10, 1500})
            QTest::addRow("%s, random, clamped, cutoff %d", k, cutoff)
                << int(isa) << "random" << cutoff << true << 1;
        QTest::addRow("%s, smooth, raw, automatic radius", k)
            << int(isa) << "smooth" << 0 << false << 1;
        for (int cutoff : {3, 10, 29, 40})
            QTest::addRow("%s, smooth, clamped, cutoff %d", k, cutoff)
                << int(isa) << "smooth" << cutoff << true << 1;
        // The automatic radius is the longest vector of all bands.
        QTest::addRow("%s, random, raw, automatic radius, 2 bands", k)
            << int(isa) << "random" << 0 << false << 2;
        QTest::addRow("%s, smooth, clamped, cutoff 10, 3 bands", k)
            << int(isa) << "smooth" << 10 << true << 3;
    }
}

void ReferenceMatchTest::flowToColorMatches()
{
    QFETCH(int, isa);
    QFETCH(QString, field);
    QFETCH(int, cutoff);
    QFETCH(bool, clampFirst);
    QFETCH(int, bands);
    const Field f = clampFirst ? clamped(fieldNamed(field), cutoff, false) : fieldNamed(field);
    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    const PixelPlane out = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    std::vector<std::uint8_t> expected(3 * f.u.size(), 0xa5);

    rowkernels::flowToColor(kernelsOf(isa), cutoff, out, u, v, f.rows, f.cols, bandPlan(bands));
    reference::flowToColor(cutoff, expected, f.u, f.v, f.rows, f.cols);

    const std::vector<std::uint8_t> actual = bytesOf(out);
    const QString difference = firstDifference(actual, expected, f);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // Guards the comparison itself: a field that came out nearly uniform would prove little.
    QVERIFY2(distinctColors(actual) > 200, qPrintable(QString::number(distinctColors(actual))));
}

void ReferenceMatchTest::clampFlowMatches_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("clampAll");

    // 16777216 and 16777217 are either side of the last whole number every float holds.
    for (Isa isa : kernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        for (int limit : {0, 1, 10, 1500, -7, 1024, 16777216, 16777217, INT_MIN, INT_MAX}) {
            QTest::addRow("%s, limit %d", k, limit) << int(isa) << limit << false;
            QTest::addRow("%s, limit %d, clampAll", k, limit) << int(isa) << limit << true;
        }
    }
}

void ReferenceMatchTest::clampFlowMatches()
{
    QFETCH(int, isa);
    QFETCH(int, limit);
    QFETCH(bool, clampAll);
    const Field expected = clamped(random_, limit, clampAll);
    const FloatPlane srcU = floatPlaneOf(random_.u, kRows, kCols);
    const FloatPlane srcV = floatPlaneOf(random_.v, kRows, kCols);
    const FloatPlane dstU = vek_alloc_2(kRows, kCols);
    const FloatPlane dstV = vek_alloc_2(kRows, kCols);

    for (int bands : {1, 2}) {
        rowkernels::clampFlow(kernelsOf(isa), srcU, srcV, dstU, dstV, kRows, kCols, limit, clampAll,
                              bandPlan(bands));

        // Bit for bit: signs of zero and NaN payloads are copied, not recreated.
        QVERIFY2(sameBits(valuesOf(dstU), expected.u), qPrintable(QString::number(bands)));
        QVERIFY2(sameBits(valuesOf(dstV), expected.v), qPrintable(QString::number(bands)));
    }
}

void ReferenceMatchTest::greyViewsMatch_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<int>("cutoff");
    QTest::addColumn<bool>("clampFirst");

    for (Isa isa : kernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        for (int cutoff : {1, 10, 49, 1500, INT_MAX, 0})
            QTest::addRow("%s, clamped, cutoff %d", k, cutoff) << int(isa) << cutoff << true;
        // Unclamped values wrap to their low 8 bits and reach quotients far beyond an int.
        for (int cutoff : {1, 10, -10, INT_MIN})
            QTest::addRow("%s, raw, cutoff %d", k, cutoff) << int(isa) << cutoff << false;
    }
}

void ReferenceMatchTest::greyViewsMatch()
{
    QFETCH(int, isa);
    QFETCH(int, cutoff);
    QFETCH(bool, clampFirst);
    const Field f = clampFirst ? clamped(random_, cutoff, false) : random_;
    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    const PixelPlane dimX = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    const PixelPlane dimY = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    std::vector<std::uint8_t> expectedX(3 * f.u.size(), 0xa5);
    std::vector<std::uint8_t> expectedY(3 * f.u.size(), 0xa5);

    // One band and two in turn.
    rowkernels::flowToGrey(kernelsOf(isa), cutoff, dimX, dimY, u, v, f.rows, f.cols,
                           bandPlan(clampFirst ? 2 : 1));
    reference::flowToGrey(cutoff, expectedX, expectedY, f.u, f.v);

    QString difference = firstDifference(bytesOf(dimX), expectedX, f);
    QVERIFY2(difference.isEmpty(), qPrintable("x: " + difference));
    difference = firstDifference(bytesOf(dimY), expectedY, f);
    QVERIFY2(difference.isEmpty(), qPrintable("y: " + difference));
}

void ReferenceMatchTest::renderedViewsMatch_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("cutoff");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("bands");

    for (Isa isa : kernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        // One band and two in turn, so that each way of drawing runs both ways.
        for (int cutoff : {1, 10, 1500, 0, -5})
            QTest::addRow("%s, random, cutoff %d", k, cutoff)
                << int(isa) << "random" << cutoff << kRows << (cutoff == 10 || cutoff == 0 ? 2 : 1);
        for (int cutoff : {10, 40})
            QTest::addRow("%s, smooth, cutoff %d", k, cutoff)
                << int(isa) << "smooth" << cutoff << 436 << (cutoff == 10 ? 2 : 1);
        // Bands of unequal rows, and more threads than rows.
        for (int cutoff : {10, 0}) {
            QTest::addRow("%s, random, 333 rows, cutoff %d, 2 bands", k, cutoff)
                << int(isa) << "random" << cutoff << 333 << 2;
            QTest::addRow("%s, random, 3 rows, cutoff %d, 5 bands", k, cutoff)
                << int(isa) << "random" << cutoff << 3 << 5;
            QTest::addRow("%s, random, 1 row, cutoff %d, 2 bands", k, cutoff)
                << int(isa) << "random" << cutoff << 1 << 2;
        }
    }
}

// All the views of a cutoff at once, row by row, as the window draws them.
void ReferenceMatchTest::renderedViewsMatch()
{
    QFETCH(int, isa);
    QFETCH(QString, field);
    QFETCH(int, cutoff);
    QFETCH(int, rows);
    QFETCH(int, bands);
    const Field f = firstRows(fieldNamed(field), rows);
    const Field c = clamped(f, cutoff, false);
    std::vector<std::uint8_t> color(3 * f.u.size()), dimX(color.size()), dimY(color.size());
    reference::flowToColor(cutoff, color, c.u, c.v, f.rows, f.cols);
    reference::flowToGrey(cutoff, dimX, dimY, c.u, c.v);

    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    const FloatPlane cu = vek_alloc_2(f.rows, f.cols);
    const FloatPlane cv = vek_alloc_2(f.rows, f.cols);
    const PixelPlane outColor = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    const PixelPlane outX = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    const PixelPlane outY = pixelPlaneFilled(f.rows, f.cols, 0x5a);
    rowkernels::renderFlowViews(kernelsOf(isa), cutoff, std::nullopt, u, v,
                                {cu, cv, outColor, outX, outY}, f.rows, f.cols, bandPlan(bands));

    QVERIFY(sameBits(valuesOf(cu), c.u));
    QVERIFY(sameBits(valuesOf(cv), c.v));
    QString difference = firstDifference(bytesOf(outColor), color, c);
    QVERIFY2(difference.isEmpty(), qPrintable("colour: " + difference));
    difference = firstDifference(bytesOf(outX), dimX, c);
    QVERIFY2(difference.isEmpty(), qPrintable("x: " + difference));
    difference = firstDifference(bytesOf(outY), dimY, c);
    QVERIFY2(difference.isEmpty(), qPrintable("y: " + difference));
}

void ReferenceMatchTest::rowEndsAndShortRows_data()
{
    QTest::addColumn<int>("isa");
    for (Isa isa : kernels())
        QTest::newRow(rowkernels::kernelsFor(isa)->name) << int(isa);
}

// The vector kernels work in blocks and chunks and store pixels four bytes at a time: every
// width from 1 up past two chunks must come out whole, and nothing may be written past a
// row's last pixel.
void ReferenceMatchTest::rowEndsAndShortRows()
{
    QFETCH(int, isa);
    const RowKernels &kernels = kernelsOf(isa);
    constexpr int kGuard = 16;
    constexpr std::uint8_t kSentinel = 0xc3;
    const float limit = 10.0f;
    const double k = 10.0;
    const double inverseRadius = 1.0 / CutoffRadius(10);
    FieldMaker maker(99);
    for (int cols = 1; cols <= 300; ++cols) {
        Field f = clamped(maker.field(1, cols), 10, false);
        std::vector<std::uint8_t> color(3 * std::size_t(cols) + kGuard, kSentinel);
        std::vector<std::uint8_t> dimX(color), dimY(color);
        std::vector<float> cu(std::size_t(cols) + kGuard, 7.0f), cv(cu);
        rowkernels::ExactCache cache;
        kernels.colorRow(f.u.data(), f.v.data(), color.data(), cols, inverseRadius, cache);
        kernels.greyRow(f.u.data(), f.v.data(), dimX.data(), dimY.data(), cols, k, 2 * k);
        kernels.clampRow(f.u.data(), f.v.data(), cu.data(), cv.data(), cols, limit, -limit, limit,
                         false);

        std::vector<std::uint8_t> expected(3 * std::size_t(cols)), expectedX(expected),
            expectedY(expected);
        reference::flowToColor(10, expected, f.u, f.v, 1, cols);
        reference::flowToGrey(10, expectedX, expectedY, f.u, f.v);
        expected.resize(color.size(), kSentinel);
        expectedX.resize(color.size(), kSentinel);
        expectedY.resize(color.size(), kSentinel);
        QVERIFY2(color == expected, qPrintable(QString::number(cols)));
        QVERIFY2(dimX == expectedX && dimY == expectedY, qPrintable(QString::number(cols)));
        std::vector<float> expectedCu = f.u;
        std::vector<float> expectedCv = f.v;
        expectedCu.resize(cu.size(), 7.0f);
        expectedCv.resize(cv.size(), 7.0f);
        QVERIFY2(sameBits(cu, expectedCu) && sameBits(cv, expectedCv),
                 qPrintable(QString::number(cols)));
    }
}

void ReferenceMatchTest::openingCutoffMatches_data()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("bands");
    for (Isa isa : kernels()) {
        const char *k = rowkernels::kernelsFor(isa)->name;
        // The raw field's markers and NaNs put the cutoff at the limit; the tame one, folded
        // into (-300, 300), has its largest magnitude inside (in one band of two or three).
        QTest::addRow("%s, random, 1 band", k) << int(isa) << "random" << kRows << 1;
        QTest::addRow("%s, tame, 2 bands", k) << int(isa) << "tame" << kRows << 2;
        QTest::addRow("%s, tame, 511 rows, 3 bands", k) << int(isa) << "tame" << 511 << 3;
        QTest::addRow("%s, random, one row", k) << int(isa) << "random" << 1 << 2;
        QTest::addRow("%s, smooth", k) << int(isa) << "smooth" << 436 << 2;
    }
}

// The cutoff a flow opens at, against the rule as the window states it: clamp everything to
// max(rows, cols), take both planes' extremes, keep the larger magnitude, round up.
void ReferenceMatchTest::openingCutoffMatches()
{
    QFETCH(int, isa);
    QFETCH(QString, field);
    QFETCH(int, rows);
    QFETCH(int, bands);
    Field f = fieldNamed(field);
    if (field == QLatin1String("tame")) {
        for (std::vector<float> *plane : {&f.u, &f.v})
            for (float &x : *plane)
                x = std::isfinite(x) ? float(std::fmod(double(x), 299.7)) : 0.5f;
    }
    f.rows = rows;
    f.u.resize(std::size_t(rows) * f.cols);
    f.v.resize(f.u.size());
    const int limit = std::max(f.rows, f.cols);
    const Field c = clamped(f, limit, true);
    float minU, maxU, minV, maxV;
    PlaneMinMax(c.u.data(), c.u.size(), minU, maxU);
    PlaneMinMax(c.v.data(), c.v.size(), minV, maxV);
    const float hi = maxV > maxU ? maxV : maxU;
    const float lo = minU > minV ? minV : minU;
    const double m = std::fabs(hi) < std::fabs(lo) ? std::fabs(lo) : std::fabs(hi);
    const int expected = int(std::ceil(m));
    if (field == QLatin1String("tame"))
        QVERIFY2(expected < limit, "the tame field must not reach the limit");

    const FloatPlane u = floatPlaneOf(f.u, f.rows, f.cols);
    const FloatPlane v = floatPlaneOf(f.v, f.rows, f.cols);
    const FloatPlane cu = vek_alloc_2(f.rows, f.cols);
    const FloatPlane cv = vek_alloc_2(f.rows, f.cols);
    QCOMPARE(rowkernels::initialFlowCutoff(kernelsOf(isa), u, v, cu, cv, f.rows, f.cols,
                                           bandPlan(bands)),
             expected);
    // And without planes to keep the clamped values.
    QCOMPARE(rowkernels::initialFlowCutoff(kernelsOf(isa), u, v, nullptr, nullptr, f.rows, f.cols,
                                           bandPlan(bands)),
             expected);
    QVERIFY(sameBits(valuesOf(cu), c.u));
    QVERIFY(sameBits(valuesOf(cv), c.v));
}

QTEST_APPLESS_MAIN(ReferenceMatchTest)
#include "test_reference_match.moc"
