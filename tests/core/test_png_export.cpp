// The PNG encoder behind every picture the tools and the viewer save, held against code it shares
// nothing with: libspng decodes the pixels and the resolution, zlib checks each chunk's CRC.

#include "cerror.h"
#include "png_export.h"

#include <spng.h>
#include <zlib.h>

#include <QTest>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string type;
    Bytes data;
};

std::uint32_t big32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The file's chunks, each CRC checked by zlib; empty, with the fault in *fault, when any is off.
std::vector<Chunk> chunksOf(const Bytes &png, QString *fault)
{
    static const std::uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<Chunk> chunks;
    if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0) {
        *fault = QStringLiteral("no PNG signature");
        return {};
    }
    for (std::size_t at = 8; at < png.size();) {
        if (png.size() - at < 12) {
            *fault = QStringLiteral("a chunk cut short");
            return {};
        }
        const std::uint32_t length = big32(&png[at]);
        if (png.size() - at - 12 < length) {
            *fault = QStringLiteral("a chunk longer than the file");
            return {};
        }
        const std::uint8_t *typeAndData = &png[at + 4];
        const uLong crc = crc32(crc32(0, nullptr, 0), typeAndData, uInt(4 + length));
        if (crc != big32(typeAndData + 4 + length)) {
            *fault = QStringLiteral("CRC of chunk %1 wrong").arg(chunks.size());
            return {};
        }
        chunks.push_back({std::string(reinterpret_cast<const char *>(typeAndData), 4),
                          Bytes(typeAndData + 4, typeAndData + 4 + length)});
        at += 12 + length;
    }
    return chunks;
}

// The pixels as libspng decodes them, or empty with its error in *fault.
Bytes decodeWithLibspng(const Bytes &png, QString *fault, spng_phys *phys = nullptr)
{
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx *)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(ctx.get(), png.data(), png.size());
    std::size_t bytes = 0;
    int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGB8, &bytes);
    Bytes pixels(bytes);
    if (!error)
        error = spng_decode_image(ctx.get(), pixels.data(), bytes, SPNG_FMT_RGB8, 0);
    if (!error && phys)
        error = spng_get_phys(ctx.get(), phys);
    if (error) {
        *fault = QString::fromLatin1(spng_strerror(error));
        return {};
    }
    return pixels;
}

// Rows of width pixels, stride bytes apart, the bytes between rows set to garbage.
struct TestPicture {
    Bytes storage;
    RgbPicture picture;
    Bytes pixels; // the rows without the gaps, as a decoder gives them back
};

TestPicture makePicture(int width, int height, std::size_t gap, bool smooth, unsigned seed)
{
    std::mt19937 rng(seed);
    TestPicture t;
    const std::size_t rowBytes = 3 * std::size_t(width);
    const std::size_t stride = rowBytes + gap;
    t.storage.resize(stride * std::size_t(height));
    for (std::uint8_t &b : t.storage)
        b = std::uint8_t(rng());
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i) {
            std::uint8_t &b = t.storage[std::size_t(y) * stride + i];
            if (smooth)
                b = std::uint8_t((i / 3) * (i % 3 + 1) + std::size_t(y) * 2 +
                                 (i * 7 + std::size_t(y) * 13) % 3);
            t.pixels.push_back(b);
        }
    t.picture = {t.storage.data(), width, height, stride};
    return t;
}

template <class F> QString refusal(F &&f)
{
    try {
        f();
    } catch (const CError &e) {
        return QString::fromLocal8Bit(e.text);
    }
    return QString();
}

} // namespace

class TestPngExport : public QObject
{
    Q_OBJECT

private slots:
    void decodesToThePixels_data();
    void decodesToThePixels();
    void chunksInTheirOrder();
    void sameBytesForSamePixels();
    void everyLevelKeepsThePixels();
    void refusesWhatItCannotWrite_data();
    void refusesWhatItCannotWrite();
};

void TestPngExport::decodesToThePixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("gap"); // bytes between rows
    QTest::addColumn<bool>("smooth");
    QTest::newRow("one pixel") << 1 << 1 << 0 << false;
    QTest::newRow("one row") << 257 << 1 << 0 << true;
    QTest::newRow("one column") << 1 << 300 << 1 << true;
    QTest::newRow("odd width, rows padded as QImage pads them") << 33 << 17 << 1 << true;
    QTest::newRow("noise") << 200 << 150 << 0 << false;
    // Noise does not compress: over a megabyte of image data, so several IDAT chunks.
    QTest::newRow("image data over several chunks") << 700 << 600 << 4 << false;
}

void TestPngExport::decodesToThePixels()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, gap);
    QFETCH(bool, smooth);
    const TestPicture t = makePicture(width, height, std::size_t(gap), smooth, 7);
    PngSettings settings;
    settings.dotsPerMeterX = 3780;
    settings.dotsPerMeterY = 2835;
    const Bytes png = encodeRgbPng(t.picture, settings);

    QString fault;
    spng_phys phys{};
    const Bytes decoded = decodeWithLibspng(png, &fault, &phys);
    QCOMPARE(fault, QString());
    QVERIFY(decoded == t.pixels);
    QCOMPARE(phys.ppu_x, 3780u);
    QCOMPARE(phys.ppu_y, 2835u);
    QCOMPARE(phys.unit_specifier, std::uint8_t(1)); // metres
    chunksOf(png, &fault);
    QCOMPARE(fault, QString());
}

// What a reader that checks the order of chunks expects, and nothing it would not.
void TestPngExport::chunksInTheirOrder()
{
    const TestPicture t = makePicture(700, 600, 0, false, 3);
    PngSettings settings;
    settings.dotsPerMeterX = settings.dotsPerMeterY = 3780;
    QString fault;
    std::vector<Chunk> chunks = chunksOf(encodeRgbPng(t.picture, settings), &fault);
    QCOMPARE(fault, QString());
    QStringList types;
    for (const Chunk &c : chunks)
        types << QString::fromStdString(c.type);
    QVERIFY(types.size() >= 5);
    QCOMPARE(types.mid(0, 2), QStringList({"IHDR", "pHYs"}));
    QCOMPARE(types.last(), QStringLiteral("IEND"));
    QCOMPARE(types.mid(2, types.size() - 3), QStringList(types.size() - 3, "IDAT"));
    const Bytes ihdr = {0, 0, 2, 188, 0, 0, 2, 88, 8, 2, 0, 0, 0}; // 700 x 600, 8-bit RGB
    QVERIFY(chunks.front().data == ihdr);
    QVERIFY(chunks.back().data.empty());

    // Without a resolution, no pHYs.
    chunks = chunksOf(encodeRgbPng(t.picture, PngSettings()), &fault);
    QCOMPARE(QString::fromStdString(chunks.at(1).type), QStringLiteral("IDAT"));
}

// Save As and flo2png meet in one file only if the bytes depend on the pixels and settings
// alone: not on what lies between rows, nor on an earlier call.
void TestPngExport::sameBytesForSamePixels()
{
    const TestPicture tight = makePicture(120, 80, 0, true, 11);
    const TestPicture padded = makePicture(120, 80, 5, true, 11);
    QVERIFY(tight.pixels == padded.pixels);
    QVERIFY(tight.storage != padded.storage);
    const PngSettings settings;
    const Bytes first = encodeRgbPng(tight.picture, settings);
    encodeRgbPng(makePicture(300, 7, 0, false, 1).picture, settings);
    QVERIFY(encodeRgbPng(padded.picture, settings) == first);
    QVERIFY(encodeRgbPng(tight.picture, settings) == first);
}

void TestPngExport::everyLevelKeepsThePixels()
{
    const TestPicture t = makePicture(150, 90, 2, true, 5);
    std::vector<std::size_t> sizes;
    for (int level = kPngMinCompression; level <= kPngMaxCompression; ++level) {
        PngSettings settings;
        settings.compression = level;
        const Bytes png = encodeRgbPng(t.picture, settings);
        QString fault;
        QVERIFY2(decodeWithLibspng(png, &fault) == t.pixels, qPrintable(fault));
        sizes.push_back(png.size());
    }
    // 0 stores, and the levels do trade time for size.
    QVERIFY(sizes.front() > 3 * t.pixels.size() / 4);
    QVERIFY(sizes.back() < sizes.at(std::size_t(kPngDefaultCompression)));
    QVERIFY(sizes.at(std::size_t(kPngDefaultCompression)) < sizes.front() / 2);
}

void TestPngExport::refusesWhatItCannotWrite_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("gap");
    QTest::addColumn<int>("compression");
    QTest::addColumn<QString>("message");
    QTest::newRow("no width") << 0 << 4 << 0 << 1 << "PNG picture has no pixels";
    QTest::newRow("negative height") << 4 << -1 << 0 << 1 << "PNG picture has no pixels";
    QTest::newRow("rows overlap") << 4 << 4 << -1 << 1
                                  << "PNG picture rows overlap: 11 bytes apart";
    QTest::newRow("level below 0")
        << 4 << 4 << 0 << -1 << "PNG compression level -1 is not one of 0 to 9";
    QTest::newRow("level above 9")
        << 4 << 4 << 0 << 10 << "PNG compression level 10 is not one of 0 to 9";
}

void TestPngExport::refusesWhatItCannotWrite()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, gap);
    QFETCH(int, compression);
    QFETCH(QString, message);
    const Bytes storage(64, 9);
    const RgbPicture picture{storage.data(), width, height, std::size_t(3 * width + gap)};
    PngSettings settings;
    settings.compression = compression;
    QCOMPARE(refusal([&] { encodeRgbPng(picture, settings); }), message);
}

QTEST_APPLESS_MAIN(TestPngExport)
#include "test_png_export.moc"
