#include "color_wheel.h"
#include "field_planes.h"
#include "flow_to_color.h"

#include <QList>
#include <QTest>

#include <algorithm>
#include <limits>

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

QList<int> rgb(int red, int green, int blue)
{
    return {red, green, blue};
}

} // namespace

class ColorExamplesTest : public QObject
{
    Q_OBJECT

private slots:
    void wheelIsWholeBeforeFirstUse();
    void wheelRows_data();
    void wheelRows();
    void vectorColor_data();
    void vectorColor();
    void flowToColor_data();
    void flowToColor();
    void emptySizeWritesNothing();
};

// The compiler builds the wheel: a thread colouring first cannot find it half filled.
static_assert(wheelSize == 55);
static_assert(colorWheel[54][0] == 255 && colorWheel[54][1] == 0 && colorWheel[54][2] == 43);

// Must run first: no colour has been asked for yet in this process, and the last entry
// (the last one a lazy build would fill) is already in place.
void ColorExamplesTest::wheelIsWholeBeforeFirstUse()
{
    QCOMPARE(wheelSize, 55);
    QCOMPARE(rgb(colorWheel[54][0], colorWheel[54][1], colorWheel[54][2]), rgb(255, 0, 43));
    unsigned char pix[3];
    VectorColor(-0.5f, 0.0f, pix);
    QCOMPARE(rgb(pix[2], pix[1], pix[0]), rgb(127, 232, 255));
}

void ColorExamplesTest::wheelRows_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QList<int>>("color");

    QTest::newRow("0: red") << 0 << rgb(255, 0, 0);
    const int yellowToGreen[] = {255, 213, 170, 128, 85, 43};
    for (int i = 0; i < 6; ++i)
        QTest::addRow("%d: yellow to green", 15 + i) << 15 + i << rgb(yellowToGreen[i], 255, 0);
    const int greenToCyan[] = {0, 63, 127, 191};
    for (int i = 0; i < 4; ++i)
        QTest::addRow("%d: green to cyan", 21 + i) << 21 + i << rgb(0, 255, greenToCyan[i]);
    QTest::newRow("27: light blue") << 27 << rgb(0, 209, 255);
    QTest::newRow("40: violet") << 40 << rgb(78, 0, 255);
    QTest::newRow("54: last before the seam") << 54 << rgb(255, 0, 43);
}

void ColorExamplesTest::wheelRows()
{
    QFETCH(int, entry);
    QFETCH(QList<int>, color);
    QCOMPARE(rgb(colorWheel[entry][0], colorWheel[entry][1], colorWheel[entry][2]), color);
}

void ColorExamplesTest::vectorColor_data()
{
    QTest::addColumn<float>("fx");
    QTest::addColumn<float>("fy");
    QTest::addColumn<QList<int>>("color"); // red, green, blue

    QTest::newRow("zero is white") << 0.0f << 0.0f << rgb(255, 255, 255);
    QTest::newRow("half along +u: 127.5 truncates") << 0.5f << 0.0f << rgb(255, 127, 127);
    QTest::newRow("tiny along +u: 254 not 255") << 1e-8f << 0.0f << rgb(255, 254, 254);
    QTest::newRow("seam: just below +u") << 0.5f << 0.001f << rgb(255, 127, 127);
    QTest::newRow("seam: just above +u") << 0.5f << -0.001f << rgb(255, 127, 149);
    QTest::newRow("half along +v") << 0.0f << 0.5f << rgb(255, 242, 127);
    QTest::newRow("half along -u") << -0.5f << 0.0f << rgb(127, 232, 255);
    QTest::newRow("half along -v") << 0.0f << -0.5f << rgb(171, 127, 255);
    QTest::newRow("-v at radius 1: float 1/pi gives 87") << 0.0f << -1.0f << rgb(87, 0, 255);
    QTest::newRow("-u at radius 1: entry 27 exactly") << -1.0f << 0.0f << rgb(0, 209, 255);
    QTest::newRow("beyond radius 1: red at 75 %") << 2.0f << 0.0f << rgb(191, 0, 0);
    QTest::newRow("(3, 4): wheel colour at 75 %") << 3.0f << 4.0f << rgb(191, 101, 0);
    QTest::newRow("infinite: a direction, beyond radius 1") << kInf << 0.0f << rgb(191, 0, 0);
    QTest::newRow("NaN u is black") << kNaN << 0.5f << rgb(0, 0, 0);
    QTest::newRow("NaN v is black") << 0.5f << kNaN << rgb(0, 0, 0);
}

void ColorExamplesTest::vectorColor()
{
    QFETCH(float, fx);
    QFETCH(float, fy);
    QFETCH(QList<int>, color);
    unsigned char pix[3] = {1, 2, 3};
    VectorColor(fx, fy, pix);
    // VectorColor's own order is blue, green, red.
    QCOMPARE(rgb(pix[2], pix[1], pix[0]), color);
}

void ColorExamplesTest::flowToColor_data()
{
    QTest::addColumn<int>("cutoff");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<float>>("u");
    QTest::addColumn<QList<float>>("v");
    QTest::addColumn<QList<int>>("colors"); // red, green, blue per pixel, row-major

    QTest::newRow("cutoff 10: radius 10 sqrt 2")
        << 10 << 2 << QList<float>{10, 10, 0, 10} << QList<float>{0, 10, 0, 0}
        << (rgb(255, 74, 74) + rgb(255, 114, 0) + rgb(255, 255, 255) + rgb(255, 74, 74));
    QTest::newRow("cutoff 0: longest (3, 4) rounds past radius 1, (5, 0) lands on it")
        << 0 << 1 << QList<float>{3, 5} << QList<float>{4, 0}
        << (rgb(191, 101, 0) + rgb(255, 0, 0));
    QTest::newRow("cutoff 0: 1e10 is black and left out of the radius")
        << 0 << 1 << QList<float>{1e10f, 3, 5} << QList<float>{0, 4, 0}
        << (rgb(0, 0, 0) + rgb(191, 101, 0) + rgb(255, 0, 0));
    QTest::newRow("cutoff 0: 1e9 exactly is known and sets the radius")
        << 0 << 1 << QList<float>{1e9f, 5e8f} << QList<float>{0, 0}
        << (rgb(255, 0, 0) + rgb(255, 127, 127));
    QTest::newRow("cutoff 10: unclamped 1e9 is known")
        << 10 << 1 << QList<float>{1e9f, 0} << QList<float>{0, 0}
        << (rgb(191, 0, 0) + rgb(255, 255, 255));
    QTest::newRow("cutoff 0: all zero is black")
        << 0 << 2 << QList<float>{0, 0, 0, 0} << QList<float>{0, 0, 0, 0}
        << (rgb(0, 0, 0) + rgb(0, 0, 0) + rgb(0, 0, 0) + rgb(0, 0, 0));
    QTest::newRow("cutoff 0: nothing known is black")
        << 0 << 1 << QList<float>{1e10f, kNaN, kInf} << QList<float>{0, 0, 0}
        << (rgb(0, 0, 0) + rgb(0, 0, 0) + rgb(0, 0, 0));
    QTest::newRow("cutoff 0: NaN is black and left out of the radius")
        << 0 << 1 << QList<float>{kNaN, 0, 3} << QList<float>{0, kNaN, 4}
        << (rgb(0, 0, 0) + rgb(0, 0, 0) + rgb(191, 101, 0));
    QTest::newRow("cutoff 10: infinities are unknown")
        << 10 << 1 << QList<float>{kInf, -kInf, 0} << QList<float>{0, 0, -kInf}
        << (rgb(0, 0, 0) + rgb(0, 0, 0) + rgb(0, 0, 0));
    QTest::newRow("negative cutoff: radius from the data like cutoff 0")
        << -3 << 1 << QList<float>{3, 5} << QList<float>{4, 0}
        << (rgb(191, 101, 0) + rgb(255, 0, 0));
}

void ColorExamplesTest::flowToColor()
{
    QFETCH(int, cutoff);
    QFETCH(int, rows);
    QFETCH(QList<float>, u);
    QFETCH(QList<float>, v);
    QFETCH(QList<int>, colors);
    const int cols = int(u.size()) / rows;
    const FloatPlane planeU = floatPlaneOf({u.begin(), u.end()}, rows, cols);
    const FloatPlane planeV = floatPlaneOf({v.begin(), v.end()}, rows, cols);
    const PixelPlane out = pixelPlaneFilled(rows, cols, 0x5a);

    FlowToColor(cutoff, out, planeU, planeV, rows, cols);

    const std::vector<std::uint8_t> bytes = bytesOf(out);
    QCOMPARE(QList<int>(bytes.begin(), bytes.end()), colors);
}

void ColorExamplesTest::emptySizeWritesNothing()
{
    const FloatPlane u = floatPlaneOf({1, 2}, 1, 2);
    const FloatPlane v = floatPlaneOf({3, 4}, 1, 2);
    const PixelPlane out = pixelPlaneFilled(1, 2, 0x5a);
    FlowToColor(10, out, u, v, 0, 2);
    FlowToColor(0, out, u, v, 1, 0);
    FlowToColor(0, out, u, v, -1, -1);
    const std::vector<std::uint8_t> bytes = bytesOf(out);
    QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0x5a; }));
}

QTEST_APPLESS_MAIN(ColorExamplesTest)
#include "test_color_examples.moc"
