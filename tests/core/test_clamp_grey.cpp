#include "clamp_flow.h"
#include "field_planes.h"
#include "flow_scale.h"

#include <QTest>

#include <algorithm>
#include <climits>
#include <limits>

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Grey level of every byte of pixel i, or -1 when its three bytes differ.
int greyAt(const std::vector<std::uint8_t> &bytes, int i)
{
    const std::uint8_t *p = &bytes[3 * std::size_t(i)];
    return p[0] == p[1] && p[1] == p[2] ? p[0] : -1;
}

} // namespace

class ClampGreyTest : public QObject
{
    Q_OBJECT

private slots:
    void clampFlow_data();
    void clampFlow();
    void greyLevels_data();
    void greyLevels();
    void unknownIsZeroInBothGreyViews_data();
    void unknownIsZeroInBothGreyViews();
    void cutoffZeroShowsThreeBlackImages();
};

void ClampGreyTest::clampFlow_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("clampAll");
    QTest::addColumn<float>("u");
    QTest::addColumn<float>("v");
    QTest::addColumn<float>("clampedU");
    QTest::addColumn<float>("clampedV");

    QTest::newRow("inside is copied") << 7 << false << 6.5f << -6.5f << 6.5f << -6.5f;
    QTest::newRow("at the limit") << 7 << false << 7.0f << -7.0f << 7.0f << -7.0f;
    QTest::newRow("beyond the limit") << 7 << false << 9.0f << -9.0f << 7.0f << -7.0f;
    QTest::newRow("limit -7 clamps like 7") << -7 << false << 9.0f << -9.0f << 7.0f << -7.0f;
    QTest::newRow("1e9 is known and clamped") << 7 << false << 1e9f << 0.0f << 7.0f << 0.0f;
    QTest::newRow("unknown copied") << 7 << false << 1e10f << 3.0f << 1e10f << 3.0f;
    QTest::newRow("unknown v copied") << 7 << false << 30.0f << -1e10f << 30.0f << -1e10f;
    QTest::newRow("clampAll: unknown clamped") << 7 << true << 1e10f << 3.0f << 7.0f << 3.0f;
    QTest::newRow("clampAll: both signs") << 7 << true << -1e10f << 1e10f << -7.0f << 7.0f;
    QTest::newRow("NaN copied") << 7 << false << kNaN << 30.0f << kNaN << 30.0f;
    QTest::newRow("clampAll: NaN becomes +L") << 7 << true << kNaN << -kNaN << 7.0f << 7.0f;
    QTest::newRow("clampAll: infinities") << 7 << true << kInf << -kInf << 7.0f << -7.0f;
    QTest::newRow("limit 0") << 0 << false << 3.0f << -3.0f << 0.0f << 0.0f;
    QTest::newRow("limit INT_MIN is 2^31")
        << INT_MIN << true << 1e10f << -1e10f << 2147483648.0f << -2147483648.0f;
}

void ClampGreyTest::clampFlow()
{
    QFETCH(int, limit);
    QFETCH(bool, clampAll);
    QFETCH(float, u);
    QFETCH(float, v);
    QFETCH(float, clampedU);
    QFETCH(float, clampedV);
    const FloatPlane srcU = floatPlaneOf({u, 0.5f}, 1, 2);
    const FloatPlane srcV = floatPlaneOf({v, -0.5f}, 1, 2);
    const FloatPlane dstU = floatPlaneOf({99, 99}, 1, 2);
    const FloatPlane dstV = floatPlaneOf({99, 99}, 1, 2);

    ClampFlow(srcU, srcV, dstU, dstV, 1, 2, limit, clampAll);

    QVERIFY2(sameValue(dstU[0][0], clampedU), qPrintable(QString::number(dstU[0][0])));
    QVERIFY2(sameValue(dstV[0][0], clampedV), qPrintable(QString::number(dstV[0][0])));
    // The neighbour is clamped on its own.
    const float half = limit == 0 ? 0.0f : 0.5f;
    QVERIFY(sameValue(dstU[0][1], half));
    QVERIFY(sameValue(dstV[0][1], -half));
}

void ClampGreyTest::greyLevels_data()
{
    QTest::addColumn<int>("cutoff");
    QTest::addColumn<float>("component");
    QTest::addColumn<int>("grey");

    QTest::newRow("0: 127.5 truncates") << 10 << 0.0f << 127;
    QTest::newRow("10 is white") << 10 << 10.0f << 255;
    QTest::newRow("-10 is black") << 10 << -10.0f << 0;
    QTest::newRow("5") << 10 << 5.0f << 191;
    QTest::newRow("-5") << 10 << -5.0f << 63;
    QTest::newRow("25 clamps to 10") << 10 << 25.0f << 255;
    QTest::newRow("-25 clamps to -10") << 10 << -25.0f << 0;
    // Multiplying by 1/98 instead of dividing would land just below 255.
    QTest::newRow("cutoff 49: 49 divides to 255 exactly") << 49 << 49.0f << 255;
}

// Through the clamp as the window applies a cutoff; the other component is 0 so a swap of
// the two views shows.
void ClampGreyTest::greyLevels()
{
    QFETCH(int, cutoff);
    QFETCH(float, component);
    QFETCH(int, grey);
    const FloatPlane u = floatPlaneOf({component, 0}, 1, 2);
    const FloatPlane v = floatPlaneOf({0, component}, 1, 2);
    const FloatPlane cu = floatPlaneOf({0, 0}, 1, 2);
    const FloatPlane cv = floatPlaneOf({0, 0}, 1, 2);
    const PixelPlane dimX = pixelPlaneFilled(1, 2, 0x5a);
    const PixelPlane dimY = pixelPlaneFilled(1, 2, 0x5a);

    RenderScaledFlowViews(cutoff, std::nullopt, u, v, {cu, cv, nullptr, dimX, dimY}, 1, 2);

    const std::vector<std::uint8_t> x = bytesOf(dimX);
    const std::vector<std::uint8_t> y = bytesOf(dimY);
    QCOMPARE(greyAt(x, 0), grey);
    QCOMPARE(greyAt(y, 0), 127);
    QCOMPARE(greyAt(x, 1), 127);
    QCOMPARE(greyAt(y, 1), grey);
}

void ClampGreyTest::unknownIsZeroInBothGreyViews_data()
{
    QTest::addColumn<float>("u");
    QTest::addColumn<float>("v");

    QTest::newRow("u 1e10") << 1e10f << 3.0f;
    QTest::newRow("v -1e10") << 3.0f << -1e10f;
    QTest::newRow("u NaN") << kNaN << 3.0f;
    QTest::newRow("v infinite") << 3.0f << kInf;
}

void ClampGreyTest::unknownIsZeroInBothGreyViews()
{
    QFETCH(float, u);
    QFETCH(float, v);
    const FloatPlane srcU = floatPlaneOf({u}, 1, 1);
    const FloatPlane srcV = floatPlaneOf({v}, 1, 1);
    const FloatPlane cu = floatPlaneOf({0}, 1, 1);
    const FloatPlane cv = floatPlaneOf({0}, 1, 1);
    const PixelPlane color = pixelPlaneFilled(1, 1, 0x5a);
    const PixelPlane dimX = pixelPlaneFilled(1, 1, 0x5a);
    const PixelPlane dimY = pixelPlaneFilled(1, 1, 0x5a);

    RenderScaledFlowViews(10, std::nullopt, srcU, srcV, {cu, cv, color, dimX, dimY}, 1, 1);

    QCOMPARE(greyAt(bytesOf(color), 0), 0);
    QCOMPARE(greyAt(bytesOf(dimX), 0), 0);
    QCOMPARE(greyAt(bytesOf(dimY), 0), 0);
}

void ClampGreyTest::cutoffZeroShowsThreeBlackImages()
{
    const int rows = 2, cols = 4;
    const FloatPlane u = floatPlaneOf({0, 3, -1e10f, kNaN, 0.25f, -7, 1e9f, -0.0f}, rows, cols);
    const FloatPlane v = floatPlaneOf({0, 4, 2, 1, -1e-30f, 7, 0, 5}, rows, cols);
    const FloatPlane cu = vek_alloc_2(rows, cols);
    const FloatPlane cv = vek_alloc_2(rows, cols);
    const PixelPlane color = pixelPlaneFilled(rows, cols, 0x5a);
    const PixelPlane dimX = pixelPlaneFilled(rows, cols, 0x5a);
    const PixelPlane dimY = pixelPlaneFilled(rows, cols, 0x5a);

    RenderScaledFlowViews(0, std::nullopt, u, v, {cu, cv, color, dimX, dimY}, rows, cols);

    for (const PixelPlane *plane : {&color, &dimX, &dimY}) {
        const std::vector<std::uint8_t> bytes = bytesOf(*plane);
        QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

QTEST_APPLESS_MAIN(ClampGreyTest)
#include "test_clamp_grey.moc"
