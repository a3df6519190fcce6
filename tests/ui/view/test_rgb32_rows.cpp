#include "rgb32_rows.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <vector>

class TestRgb32Rows : public QObject
{
    Q_OBJECT

private slots:
    void everyFormMatchesTheFormula();
};

// The layers' pixmaps are converted here where Qt would convert them (the window tests compare
// the pixmaps with Qt's own): every width, every byte value, and nothing written past the row.
void TestRgb32Rows::everyFormMatchesTheFormula()
{
    std::mt19937 rng(3);
    bool vectorRan = false;
    for (int cols = 1; cols <= 300; ++cols) {
        std::vector<std::uint8_t> rgb(3 * std::size_t(cols));
        for (std::uint8_t &b : rgb)
            b = std::uint8_t(rng());
        std::vector<std::uint32_t> plain(std::size_t(cols) + 4, 0xdeadbeefu);
        std::vector<std::uint32_t> avx2 = plain;
        std::vector<std::uint32_t> best = plain;
        rgb32RowPlain(rgb.data(), plain.data(), cols);
        vectorRan = rgb32RowAvx2(rgb.data(), avx2.data(), cols);
        rgb32Row(rgb.data(), best.data(), cols);
        for (int x = 0; x < cols; ++x) {
            const std::uint32_t expected = 0xff000000u | std::uint32_t(rgb[3 * x]) << 16 |
                                           std::uint32_t(rgb[3 * x + 1]) << 8 | rgb[3 * x + 2];
            QVERIFY2(plain[x] == expected, qPrintable(QStringLiteral("%1 of %2").arg(x).arg(cols)));
        }
        QVERIFY(std::all_of(plain.begin() + cols, plain.end(),
                            [](std::uint32_t w) { return w == 0xdeadbeefu; }));
        QCOMPARE(best, plain);
        if (vectorRan)
            QCOMPARE(avx2, plain);
    }
    if (!vectorRan)
        qInfo("AVX2 not available here: only the plain form was checked");
}

QTEST_APPLESS_MAIN(TestRgb32Rows)
#include "test_rgb32_rows.moc"
