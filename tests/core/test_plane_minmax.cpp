#include "plane_minmax.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestPlaneMinMax : public QObject
{
    Q_OBJECT

private slots:
    void extremes_data();
    void extremes();
};

void TestPlaneMinMax::extremes_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("one value") << QList<float>{2.5f} << 1 << 2.5f << 2.5f;
    QTest::newRow("extremes in the middle") << QList<float>{0, -3, 7, 1} << 4 << -3.f << 7.f;
    QTest::newRow("extremes at the end") << QList<float>{1, 2, 3, -4} << 4 << -4.f << 3.f;
    QTest::newRow("all negative") << QList<float>{-5, -2, -9} << 3 << -9.f << -2.f;
    QTest::newRow("NaN after the first is passed over")
        << QList<float>{1, nan, -3, 4, nan} << 5 << -3.f << 4.f;
    QTest::newRow("NaN first stays") << QList<float>{nan, 1, 2} << 3 << nan << nan;
    QTest::newRow("infinities") << QList<float>{1, inf, -inf} << 3 << -inf << inf;
    QTest::newRow("count ends the scan") << QList<float>{1, 2, 100, -100} << 2 << 1.f << 2.f;
}

void TestPlaneMinMax::extremes()
{
    QFETCH(QList<float>, values);
    QFETCH(int, count);
    QFETCH(float, min);
    QFETCH(float, max);

    float foundMin = 0;
    float foundMax = 0;
    PlaneMinMax(values.constData(), std::size_t(count), foundMin, foundMax);
    if (std::isnan(min)) {
        QVERIFY(std::isnan(foundMin));
        QVERIFY(std::isnan(foundMax));
    } else {
        QCOMPARE(foundMin, min);
        QCOMPARE(foundMax, max);
    }
}

QTEST_APPLESS_MAIN(TestPlaneMinMax)
#include "test_plane_minmax.moc"
