// The views made in two halves, as a picture read ahead makes them (colour first, the rest when
// shown), against the views made at once: every byte and every cutoff must agree.

#include "field_planes.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_views.h"
#include "row_bands.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

// Smooth motion with the values that take the exact paths: unknown vectors (1e9 and above),
// NaN, infinities, zeros of both signs and components beyond any cutoff.
std::vector<float> field(int rows, int cols, unsigned seed, float scale)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> values(std::size_t(rows) * cols * 2);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = scale * std::sin(float(i) * 0.013f) + noise(random);
    const float specials[] = {1e9f,
                              2e9f,
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              0.0f,
                              -0.0f,
                              1e6f,
                              -3e4f};
    for (std::size_t i = 0; i < values.size(); i += 37)
        values[i] = specials[(i / 37) % std::size(specials)];
    return values;
}

struct Flow {
    int rows, cols;
    FloatPlane u, v;
};

Flow flowOf(int rows, int cols, unsigned seed, float scale)
{
    const std::vector<float> values = field(rows, cols, seed, scale);
    const std::size_t half = values.size() / 2;
    return {rows, cols,
            floatPlaneOf(std::vector<float>(values.begin(), values.begin() + half), rows, cols),
            floatPlaneOf(std::vector<float>(values.begin() + half, values.end()), rows, cols)};
}

} // namespace

class TestColourView : public QObject
{
    Q_OBJECT

private slots:
    void halvesMakeTheWholeViews_data();
    void halvesMakeTheWholeViews();
};

void TestColourView::halvesMakeTheWholeViews_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<float>("scale");
    QTest::newRow("one pixel") << 1 << 1 << 3.0f;
    QTest::newRow("one row") << 1 << 67 << 40.0f;
    QTest::newRow("one column") << 29 << 1 << 2.0f;
    QTest::newRow("odd sides") << 37 << 53 << 12.0f;
    QTest::newRow("small motion") << 16 << 48 << 0.2f;
    QTest::newRow("still") << 8 << 8 << 0.0f;
}

void TestColourView::halvesMakeTheWholeViews()
{
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(float, scale);
    const Flow f = flowOf(rows, cols, unsigned(rows * 131 + cols), scale);

    const FloatPlane wholeU = vek_alloc_2(rows, cols), wholeV = vek_alloc_2(rows, cols);
    const int opening = OpeningFlowCutoff(f.u, f.v, rows, cols, singleBand());
    // Two bands however small the flow, so that every shape splits.
    const BandPlan two{2, 1};

    MagnitudeScratch scratch;
    const FlowStatistics statistics = ComputeFlowStatistics(f.u, f.v, rows, cols, scratch);
    for (const ColourScale scale :
         {ColourScale::Cutoff, ColourScale::LongestVector, ColourScale::Percentile99}) {
        for (const int cutoff : {0, 1, 3, opening, opening + 5}) {
            const std::optional<float> radius = MagnitudeScaleRadius(scale, statistics);
            const PixelPlane color = pixelPlaneFilled(rows, cols, 7);
            const PixelPlane dimX = pixelPlaneFilled(rows, cols, 7);
            const PixelPlane dimY = pixelPlaneFilled(rows, cols, 7);
            RenderScaledFlowViews(cutoff, radius, f.u, f.v, {wholeU, wholeV, color, dimX, dimY},
                                  rows, cols, singleBand());
            for (const BandPlan &plan : {singleBand(), two}) {
                const PixelPlane halfColor = pixelPlaneFilled(rows, cols, 9);
                const PixelPlane halfDimX = pixelPlaneFilled(rows, cols, 9);
                const PixelPlane halfDimY = pixelPlaneFilled(rows, cols, 9);
                const FloatPlane halfU = vek_alloc_2(rows, cols), halfV = vek_alloc_2(rows, cols);
                RenderScaledFlowViews(cutoff, radius, f.u, f.v,
                                      {nullptr, nullptr, halfColor, nullptr, nullptr}, rows, cols,
                                      plan);
                RenderScaledFlowViews(cutoff, std::nullopt, f.u, f.v,
                                      {halfU, halfV, nullptr, halfDimX, halfDimY}, rows, cols,
                                      plan);

                const QByteArray where = QByteArray::number(int(scale)) + " at " +
                                         QByteArray::number(cutoff) + " in " +
                                         QByteArray::number(plan.threads) + " bands";
                QVERIFY2(bytesOf(halfColor) == bytesOf(color), where);
                QVERIFY2(bytesOf(halfDimX) == bytesOf(dimX), where);
                QVERIFY2(bytesOf(halfDimY) == bytesOf(dimY), where);
                const std::vector<float> a = valuesOf(halfU), b = valuesOf(wholeU);
                const std::vector<float> c = valuesOf(halfV), d = valuesOf(wholeV);
                for (std::size_t i = 0; i < a.size(); ++i) {
                    QVERIFY2(std::memcmp(&a[i], &b[i], 4) == 0, where);
                    QVERIFY2(std::memcmp(&c[i], &d[i], 4) == 0, where);
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestColourView)
#include "test_colour_view.moc"
