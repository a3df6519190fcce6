// The colour scales by magnitude: the radius each takes from the statistics, the flow coloured
// as read at that radius, and the one routine that draws all views under any scale.

#include "field_planes.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_to_color.h"
#include "flow_views.h"
#include "reference_coding.h"

#include <QTest>

#include <cmath>
#include <random>

namespace {

struct Views {
    FloatPlane clampedU, clampedV;
    PixelPlane color, dimX, dimY;

    Views(int rows, int cols)
        : clampedU(vek_alloc_2(rows, cols)), clampedV(vek_alloc_2(rows, cols)),
          color(pixelPlaneFilled(rows, cols, 7)), dimX(pixelPlaneFilled(rows, cols, 7)),
          dimY(pixelPlaneFilled(rows, cols, 7))
    {}
    FlowViewPlanes planes() const { return {clampedU, clampedV, color, dimX, dimY}; }
};

// Red, green, blue of the reference coding for one vector normalised by radius.
std::vector<std::uint8_t> referenceColour(float u, float v, float radius)
{
    unsigned char bgr[3];
    const double inverse = 1.0 / radius;
    reference::vectorColor(float(u * inverse), float(v * inverse), bgr);
    return {bgr[2], bgr[1], bgr[0]};
}

// The colour view alone, of the flow as read at radius.
void colourAtRadius(float radius, const PixelPlane &out, const FloatPlane &u, const FloatPlane &v,
                    int rows, int cols)
{
    RenderScaledFlowViews(1, radius, u, v, {nullptr, nullptr, out, nullptr, nullptr}, rows, cols);
}

std::vector<std::uint8_t> pixel(const PixelPlane &plane, int r, int c)
{
    return {plane[r][c][0], plane[r][c][1], plane[r][c][2]};
}

FlowStatistics statisticsOf(const FloatPlane &u, const FloatPlane &v, int rows, int cols)
{
    MagnitudeScratch scratch;
    return ComputeFlowStatistics(u, v, rows, cols, scratch);
}

} // namespace

class TestFlowScale : public QObject
{
    Q_OBJECT

private slots:
    void radiusOfEachScale();
    void longestVectorSaturatesAUniformFlow();
    void percentileIgnoresAnOutlier();
    void zeroOrNoRadiusIsBlack();
    void longestVectorIsTheAutomaticColouring();
    void scaledViewsKeepTheCutoffsGreyViews_data();
    void scaledViewsKeepTheCutoffsGreyViews();
};

void TestFlowScale::radiusOfEachScale()
{
    FlowStatistics s;
    s.maxMagnitude = 12.5f;
    s.percentile99Magnitude = 3.25f;
    QVERIFY(!MagnitudeScaleRadius(ColourScale::Cutoff, s));
    QCOMPARE(*MagnitudeScaleRadius(ColourScale::LongestVector, s), 12.5f);
    QCOMPARE(*MagnitudeScaleRadius(ColourScale::Percentile99, s), 3.25f);
}

// Uniform motion of 10 pixels: at the cutoff 10 it is pale (255, 74, 74), by the longest
// vector it is the wheel's own red, whatever its direction the wheel's full colour.
void TestFlowScale::longestVectorSaturatesAUniformFlow()
{
    const int rows = 3, cols = 4;
    const FloatPlane u = floatPlaneOf(std::vector<float>(rows * cols, 10.0f), rows, cols);
    const FloatPlane v = floatPlaneOf(std::vector<float>(rows * cols, 0.0f), rows, cols);
    const FlowStatistics s = statisticsOf(u, v, rows, cols);
    QCOMPARE(s.maxMagnitude, 10.0f);
    Views views(rows, cols);
    RenderScaledFlowViews(10, std::nullopt, u, v, views.planes(), rows, cols);
    QCOMPARE(pixel(views.color, 1, 2), (std::vector<std::uint8_t>{255, 74, 74}));
    RenderScaledFlowViews(10, MagnitudeScaleRadius(ColourScale::LongestVector, s), u, v,
                          views.planes(), rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            QCOMPARE(pixel(views.color, r, c), (std::vector<std::uint8_t>{255, 0, 0}));

    // Straight down, the same by the longest vector: the wheel's colour between 13 and 14.
    const FloatPlane down = floatPlaneOf(std::vector<float>(rows * cols, 10.0f), rows, cols);
    const FloatPlane none = floatPlaneOf(std::vector<float>(rows * cols, 0.0f), rows, cols);
    colourAtRadius(10.0f, views.color, none, down, rows, cols);
    QCOMPARE(pixel(views.color, 2, 3), referenceColour(0, 10, 10));
    QCOMPARE(pixel(views.color, 2, 3), (std::vector<std::uint8_t>{255, 229, 0}));
}

// A hundred vectors of length 5 and one of 500: the 99th percentile is 5, so the hundred are
// at full saturation and the outlier in the darker out-of-range colour, not the other way.
void TestFlowScale::percentileIgnoresAnOutlier()
{
    std::vector<float> us(101, 0.0f), vs(101, -5.0f);
    us[50] = 400.0f;
    vs[50] = 300.0f;
    const FloatPlane u = floatPlaneOf(us, 1, 101);
    const FloatPlane v = floatPlaneOf(vs, 1, 101);
    const FlowStatistics s = statisticsOf(u, v, 1, 101);
    QCOMPARE(s.percentile99Magnitude, 5.0f);
    QCOMPARE(s.maxMagnitude, 500.0f);
    Views views(1, 101);
    RenderScaledFlowViews(500, MagnitudeScaleRadius(ColourScale::Percentile99, s), u, v,
                          views.planes(), 1, 101);
    QCOMPARE(pixel(views.color, 0, 0), referenceColour(0, -5, 5));
    QCOMPARE(pixel(views.color, 0, 0), (std::vector<std::uint8_t>{87, 0, 255}));
    QCOMPARE(pixel(views.color, 0, 50), referenceColour(400, 300, 5));
    // At radius 1 a wheel colour is whole; beyond it, three quarters of it.
    const std::vector<std::uint8_t> full = pixel(views.color, 0, 0);
    QVERIFY(std::max({full[0], full[1], full[2]}) == 255);
    const std::vector<std::uint8_t> dark = pixel(views.color, 0, 50);
    QVERIFY(std::max({dark[0], dark[1], dark[2]}) == 191);
    // By the longest vector the hundred are pale instead.
    RenderScaledFlowViews(500, MagnitudeScaleRadius(ColourScale::LongestVector, s), u, v,
                          views.planes(), 1, 101);
    QCOMPARE(pixel(views.color, 0, 0), referenceColour(0, -5, 500));
    QVERIFY(std::min({pixel(views.color, 0, 0)[0], pixel(views.color, 0, 0)[1],
                      pixel(views.color, 0, 0)[2]}) > 240);
}

void TestFlowScale::zeroOrNoRadiusIsBlack()
{
    const FloatPlane u = floatPlaneOf({0, 0, 1e10f, 2}, 2, 2);
    const FloatPlane v = floatPlaneOf({0, 0, 0, 1}, 2, 2);
    Views views(2, 2);
    for (float radius : {0.0f, -1.0f}) {
        colourAtRadius(radius, views.color, u, v, 2, 2);
        QCOMPARE(bytesOf(views.color), std::vector<std::uint8_t>(12, 0));
    }
    // Still no division by zero for a field of zeros under its own longest vector.
    const FloatPlane zero = floatPlaneOf({0, 0, 0, 0}, 2, 2);
    const FlowStatistics s = statisticsOf(zero, zero, 2, 2);
    RenderScaledFlowViews(3, MagnitudeScaleRadius(ColourScale::LongestVector, s), zero, zero,
                          views.planes(), 2, 2);
    QCOMPARE(bytesOf(views.color), std::vector<std::uint8_t>(12, 0));
}

// "Longest vector" is the colouring flo2png --auto draws: FlowToColor with no cutoff, of the
// flow as read.
void TestFlowScale::longestVectorIsTheAutomaticColouring()
{
    std::mt19937 rng(3);
    std::normal_distribution<float> motion(0.0f, 6.0f);
    const int rows = 97, cols = 131;
    std::vector<float> us, vs;
    for (int i = 0; i < rows * cols; ++i) {
        us.push_back(i % 211 == 0 ? 1e10f : motion(rng));
        vs.push_back(i % 307 == 0 ? std::nanf("") : motion(rng));
    }
    const FloatPlane u = floatPlaneOf(us, rows, cols);
    const FloatPlane v = floatPlaneOf(vs, rows, cols);
    const FlowStatistics s = statisticsOf(u, v, rows, cols);
    const PixelPlane automatic = pixelPlaneFilled(rows, cols, 1);
    const PixelPlane scaled = pixelPlaneFilled(rows, cols, 2);
    FlowToColor(0, automatic, u, v, rows, cols);
    colourAtRadius(s.maxMagnitude, scaled, u, v, rows, cols);
    QCOMPARE(bytesOf(scaled), bytesOf(automatic));
}

void TestFlowScale::scaledViewsKeepTheCutoffsGreyViews_data()
{
    QTest::addColumn<int>("cutoff");
    QTest::newRow("cutoff 7") << 7;
    QTest::newRow("cutoff 0") << 0;
    QTest::newRow("cutoff 1") << 1;
}

// Under a magnitude scale the clamped planes and grey views are the cutoff's, the colour view
// the flow as read at the radius.
void TestFlowScale::scaledViewsKeepTheCutoffsGreyViews()
{
    QFETCH(int, cutoff);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> motion(-20.0f, 20.0f);
    const int rows = 64, cols = 75;
    std::vector<float> us, vs;
    for (int i = 0; i < rows * cols; ++i) {
        us.push_back(i % 97 == 0 ? -1e10f : motion(rng));
        vs.push_back(motion(rng));
    }
    const FloatPlane u = floatPlaneOf(us, rows, cols);
    const FloatPlane v = floatPlaneOf(vs, rows, cols);
    Views plain(rows, cols), scaled(rows, cols);
    RenderScaledFlowViews(cutoff, std::nullopt, u, v, plain.planes(), rows, cols);

    RenderScaledFlowViews(cutoff, 9.5f, u, v, scaled.planes(), rows, cols);
    QCOMPARE(valuesOf(scaled.clampedU), valuesOf(plain.clampedU));
    QCOMPARE(valuesOf(scaled.clampedV), valuesOf(plain.clampedV));
    QCOMPARE(bytesOf(scaled.dimX), bytesOf(plain.dimX));
    QCOMPARE(bytesOf(scaled.dimY), bytesOf(plain.dimY));
    const PixelPlane atRadius = pixelPlaneFilled(rows, cols, 3);
    colourAtRadius(9.5f, atRadius, u, v, rows, cols);
    QCOMPARE(bytesOf(scaled.color), bytesOf(atRadius));
    for (int r = 0; r < rows; r += 13)
        for (int c = 0; c < cols; c += 11)
            if (std::fabs(us[r * cols + c]) <= 1e9f)
                QCOMPARE(pixel(scaled.color, r, c),
                         referenceColour(us[r * cols + c], vs[r * cols + c], 9.5f));
}

QTEST_APPLESS_MAIN(TestFlowScale)
#include "test_flow_scale.moc"
