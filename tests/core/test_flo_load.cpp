#include "cerror_text.h"
#include "flo_reader.h"
#include "flo_writer.h"
#include "split_pairs.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

// LoadFlowPlanes reads a file of the right length straight into the planes a chunk at a time,
// and hands every other file to the whole-image read. These tests hold it to that read: the
// same message for every fault, untouched planes after one, and every bit of every value in
// place however the rows fall across the chunks.

namespace {

constexpr std::uint32_t kSentinelBits = 0x7fa5a5a5; // a signalling NaN

FloatPlane sentinelPlane(int rows, int cols)
{
    FloatPlane plane = vek_alloc_2(rows, cols);
    for (std::size_t i = 0; i < plane.size(); ++i)
        std::memcpy(plane.data() + i, &kSentinelBits, 4);
    return plane;
}

bool untouched(const FloatPlane &plane)
{
    for (std::size_t i = 0; i < plane.size(); ++i)
        if (std::memcmp(plane.data() + i, &kSentinelBits, 4) != 0)
            return false;
    return true;
}

// Random bit patterns, NaNs with payloads among them: a copy through a float register that
// quieted a signalling NaN would show.
std::vector<float> randomBits(std::size_t count, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<float> values(count);
    for (float &value : values) {
        std::uint32_t bits = rng();
        if (rng() % 8 == 0)
            bits = 0x7f800001u | (bits & 0x803fffffu);
        std::memcpy(&value, &bits, 4);
    }
    return values;
}

} // namespace

class TestFloLoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void faultsAsTheWholeImageRead_data();
    void faultsAsTheWholeImageRead();
    void everyBitInPlace_data();
    void everyBitInPlace();
    void splitAtEveryAlignment();

private:
    QTemporaryDir dir_;
};

void TestFloLoad::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void TestFloLoad::faultsAsTheWholeImageRead_data()
{
    QTest::addColumn<QByteArray>("content");

    const QByteArray valid = floBytesFilled(5, 3, 1.5f, -2.5f);
    QTest::newRow("valid") << valid;
    QTest::newRow("a byte too many") << valid + 'x';
    QTest::newRow("a pixel too many") << valid + QByteArray(8, '\0');
    QTest::newRow("half a pixel too few") << valid.chopped(4);
    QTest::newRow("a row too few") << valid.chopped(40);
    QTest::newRow("header only") << valid.left(12);
    QTest::newRow("half a header") << valid.left(6);
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("wrong tag") << floBytes(5, 3, std::vector<float>(30, 0.0f), 1.0f);
    QTest::newRow("width 0") << floBytes(0, 3, {});
    QTest::newRow("height 100000") << floBytes(5, 100000, {});
}

// Each file through both readers: the same text, or none; and planes untouched on a fault.
void TestFloLoad::faultsAsTheWholeImageRead()
{
    QFETCH(QByteArray, content);
    const QString path = dir_.filePath("fault.flo");
    QVERIFY(writeFile(path, content));
    const QByteArray local = QFile::encodeName(path);

    CImage image;
    const QString expected = cerrorText([&] { ReadFlowFile(image, local.constData()); });
    FloatPlane u = sentinelPlane(3, 5);
    FloatPlane v = sentinelPlane(3, 5);
    QCOMPARE(cerrorText([&] { LoadFlowPlanes(local.constData(), u, v, 3, 5); }), expected);
    if (expected != QLatin1String("(no error)"))
        QVERIFY(untouched(u) && untouched(v));
    else
        QCOMPARE(u[2][4], 1.5f);
}

void TestFloLoad::everyBitInPlace_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("planeCols");
    QTest::addColumn<int>("planeRows");

    // 131072 pairs fill a chunk, so two rows of 65536 do: rows narrower than that, as wide and
    // wider, and the widest rows a file may have, which straddle chunks at other offsets.
    for (int width : {1, 7, 8, 15, 16, 17, 1000, 65535, 65536, 65537, 99999})
        QTest::addRow("%d wide", width) << width << 5 << width << 5;
    QTest::newRow("planes smaller than the file") << 1000 << 70 << 333 << 50;
    QTest::newRow("planes larger than the file") << 1000 << 70 << 1200 << 80;
    // Planes this large are written with stores that go around the cache.
    QTest::newRow("streamed planes") << 4099 << 1100 << 4099 << 1100;
    QTest::newRow("streamed, planes smaller") << 4099 << 1100 << 4097 << 1099;
}

void TestFloLoad::everyBitInPlace()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, planeCols);
    QFETCH(int, planeRows);
    const std::vector<float> uv = randomBits(2 * std::size_t(width) * height, std::uint32_t(width));
    const QString path = dir_.filePath("bits.flo");
    QVERIFY(writeFile(path, floBytes(width, height, uv)));
    const QByteArray local = QFile::encodeName(path);

    FloatPlane u = sentinelPlane(planeRows, planeCols);
    FloatPlane v = sentinelPlane(planeRows, planeCols);
    LoadFlowPlanes(local.constData(), u, v, planeRows, planeCols);

    for (int y = 0; y < planeRows; ++y) {
        for (int x = 0; x < planeCols; ++x) {
            const bool inside = y < height && x < width;
            const std::size_t at = 2 * (std::size_t(y) * width + x);
            // What the file does not cover becomes unknown flow: the quiet NaN, not the
            // signalling sentinel left there.
            const float unknown = std::numeric_limits<float>::quiet_NaN();
            const void *wantU = inside ? static_cast<const void *>(&uv[at]) : &unknown;
            const void *wantV = inside ? static_cast<const void *>(&uv[at + 1]) : &unknown;
            const bool same =
                std::memcmp(&u[y][x], wantU, 4) == 0 && std::memcmp(&v[y][x], wantV, 4) == 0;
            if (!same)
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
}

// Streaming stores need both outputs on a 16-byte boundary; every pairing of offsets, with
// lengths around a vector's, takes each way through the split and its ends.
void TestFloLoad::splitAtEveryAlignment()
{
    constexpr int kMaxPairs = 70;
    const std::vector<float> uv = randomBits(2 * (kMaxPairs + 16), 7);
    std::vector<float> u(kMaxPairs + 16);
    std::vector<float> v(kMaxPairs + 16);
    for (PairStores stores : {PairStores::Cached, PairStores::Streaming}) {
        for (int uOffset = 0; uOffset < 8; ++uOffset) {
            for (int vOffset = 0; vOffset < 8; ++vOffset) {
                for (int n : {0, 1, 7, 8, 9, 16, 23, 24, 25, 64, kMaxPairs}) {
                    const float *in = uv.data() + 2 * (uOffset + vOffset % 3);
                    std::fill(u.begin(), u.end(), 0.0f);
                    std::fill(v.begin(), v.end(), 0.0f);
                    splitPairs(in, u.data() + uOffset, v.data() + vOffset, n, stores);
                    finishPairStores();
                    for (int i = 0; i < n; ++i) {
                        if (std::memcmp(&u[uOffset + i], in + 2 * i, 4) != 0 ||
                            std::memcmp(&v[vOffset + i], in + 2 * i + 1, 4) != 0)
                            QFAIL(qPrintable(QStringLiteral("pair %1 of %2, offsets %3 %4")
                                                 .arg(i)
                                                 .arg(n)
                                                 .arg(uOffset)
                                                 .arg(vOffset)));
                    }
                    // Nothing past either end.
                    QCOMPARE(u[uOffset + n], 0.0f);
                    QCOMPARE(v[vOffset + n], 0.0f);
                    if (uOffset > 0)
                        QCOMPARE(u[uOffset - 1], 0.0f);
                    if (vOffset > 0)
                        QCOMPARE(v[vOffset - 1], 0.0f);
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestFloLoad)
#include "test_flo_load.moc"
