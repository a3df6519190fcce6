#include "cerror_text.h"
#include "planes.h"

#include <QTest>

#include <climits>

class TestPlanes : public QObject
{
    Q_OBJECT

private slots:
    void floatPlaneLayout();
    void pixelPlaneLayout();
    void nullAndMove();
    void allocationFailureThrows_data();
    void allocationFailureThrows();
};

void TestPlanes::floatPlaneLayout()
{
    const FloatPlane plane = vek_alloc_2(2, 3);
    QCOMPARE(plane.rows(), 2);
    QCOMPARE(plane.cols(), 3);
    QCOMPARE(plane[0], plane.data());
    QCOMPARE(plane[1], plane[0] + 3);
    QCOMPARE(&plane[1][2], plane.data() + 5);

    for (int i = 0; i < 6; ++i)
        plane.data()[i] = float(i);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(plane[r][c], float(3 * r + c));
}

void TestPlanes::pixelPlaneLayout()
{
    // Width first: 3 columns, 2 rows.
    const PixelPlane plane = vek_alloc_3(3, 2);
    QCOMPARE(plane.rows(), 2);
    QCOMPARE(plane.cols(), 3);
    QCOMPARE(plane.bytesPerLine(), 9);
    QCOMPARE(plane.byteCount(), std::size_t(18));
    QCOMPARE(plane[0][0], plane.data());
    QCOMPARE(plane[1][0], plane.data() + 9);
    QCOMPARE(&plane[1][2][2], plane.data() + 17);

    for (int i = 0; i < 18; ++i)
        plane.data()[i] = std::uint8_t(i);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            for (int b = 0; b < 3; ++b)
                QCOMPARE(int(plane[r][c][b]), 9 * r + 3 * c + b);
}

void TestPlanes::nullAndMove()
{
    FloatPlane flow;
    PixelPlane color;
    QVERIFY(flow == nullptr);
    QVERIFY(color == nullptr);
    QVERIFY(!flow);

    flow = vek_alloc_2(4, 5);
    color = vek_alloc_3(5, 4);
    QVERIFY(flow != nullptr);
    QVERIFY(color != nullptr);

    float *const block = flow.data();
    FloatPlane moved = std::move(flow);
    QCOMPARE(moved.data(), block);
    QCOMPARE(moved.rows(), 4);

    moved.reset();
    color = nullptr;
    QVERIFY(moved == nullptr);
    QVERIFY(color == nullptr);
}

void TestPlanes::allocationFailureThrows_data()
{
    QTest::addColumn<bool>("pixelPlane");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<QString>("message");

    // Sizes beyond any address space, so the failure is certain; the figure is the block's
    // bytes divided by 2^20, truncated.
    QTest::newRow("float plane, 128 TiB + 16 MiB")
        << false << (1 << 22) << (1 << 23) + 1
        << "vek_alloc_2(): memory allocation (134217744 MB) failed.";
    QTest::newRow("pixel plane, 192 TiB")
        << true << (1 << 22) << (1 << 24)
        << "vek_alloc_3(): memory allocation (201326592 MB) failed.";
    QTest::newRow("float plane, product beyond the size type")
        << false << INT_MAX << INT_MAX
        << "vek_alloc_2(): memory allocation (2147483647 MB) failed.";
    QTest::newRow("pixel plane, product beyond the size type")
        << true << INT_MAX << INT_MAX << "vek_alloc_3(): memory allocation (2147483647 MB) failed.";
}

void TestPlanes::allocationFailureThrows()
{
    QFETCH(bool, pixelPlane);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(QString, message);

    if (pixelPlane)
        QCOMPARE(cerrorText([&] { vek_alloc_3(cols, rows); }), message);
    else
        QCOMPARE(cerrorText([&] { vek_alloc_2(rows, cols); }), message);
}

QTEST_APPLESS_MAIN(TestPlanes)
#include "test_planes.moc"
