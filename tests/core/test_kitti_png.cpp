// The KITTI reader's own way through a PNG (libdeflate and our row kernels) against libspng's
// decode of the same files, bit for bit; and damaged files refused with a message that names
// the fault.

#include "cerror_text.h"
#include "flow_format.h"
#include "format_samples.h"
#include "png_rgb16.h"

#include <spng.h>
#include <zlib.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using Pixels = std::vector<std::uint8_t>;

class CollectRows : public Rgb16Rows
{
public:
    void begin(int width, int height) override
    {
        rowBytes = 6 * std::size_t(width);
        pixels.assign(rowBytes * std::size_t(height), 0);
    }
    bool row(int y, const unsigned char *px) override
    {
        std::memcpy(pixels.data() + rowBytes * std::size_t(y), px, rowBytes);
        return true;
    }
    std::size_t rowBytes = 0;
    Pixels pixels;
};

// libspng alone, as an application would call it: 0 and the big-endian samples, or its error.
int decodeWithLibspng(const QByteArray &png, Pixels &pixels)
{
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx *)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(ctx.get(), png.constData(), std::size_t(png.size()));
    std::size_t bytes = 0;
    int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RAW, &bytes);
    if (!error) {
        pixels.assign(bytes, 0);
        error = spng_decode_image(ctx.get(), pixels.data(), bytes, SPNG_FMT_RAW, 0);
    }
    return error;
}

std::vector<std::uint16_t> randomSamples(int width, int height, std::mt19937 &rng, bool smooth)
{
    std::vector<std::uint16_t> samples(std::size_t(3 * width * height));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            smooth ? std::uint16_t(32768 + int(i % 97) * 3 + int(rng() % 5)) : std::uint16_t(rng());
    return samples;
}

QByteArray zlibStream(const QByteArray &raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray packed(int(size), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &size,
             reinterpret_cast<const Bytef *>(raw.data()), uLong(raw.size()));
    packed.truncate(int(size));
    return packed;
}

QByteArray header(int width, int height)
{
    // The signature and IHDR of a file built by pngBytes.
    return pngBytes(width, height, 16, 2, false, QByteArray(1, '\0')).left(33);
}

QByteArray withCrcFlipped(QByteArray chunk)
{
    chunk[chunk.size() - 1] = char(chunk[chunk.size() - 1] ^ 1);
    return chunk;
}

QByteArray bigEndian32(std::uint32_t value)
{
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xff);
    return out;
}

} // namespace

class TestKittiPng : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void decodesLikeLibspng();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();

private:
    // "flow W x H", "no flow", or the reader's message with the path replaced by %1.
    QString outcome(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> dir;
};

void TestKittiPng::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

QString TestKittiPng::outcome(const QByteArray &bytes)
{
    const QString path = dir->filePath(QStringLiteral("000000_10.png"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QStringLiteral("cannot write");
    file.close();
    const QByteArray local = QFile::encodeName(path);
    QString result;
    const QString error = cerrorText([&] {
        const std::optional<FlowField> flow =
            readFlow(local.constData(), FlowRule::FloByName, {nullptr, BandPlan(), false});
        result = flow ? QStringLiteral("flow %1 x %2").arg(flow->u.cols()).arg(flow->u.rows())
                      : QStringLiteral("no flow");
    });
    return error == QLatin1String("(no error)") ? result : QString(error).replace(path, "%1");
}

void TestKittiPng::decodesLikeLibspng()
{
    std::mt19937 rng(375);
    const std::vector<std::vector<int>> filterings = {
        {0}, {1}, {2}, {3}, {4}, {0, 1, 2, 3, 4}, {4, 2, 4, 3, 1, 1, 0, 4}};
    int files = 0;
    for (int width : {1, 2, 3, 7, 1242})
        for (const std::vector<int> &filters : filterings)
            for (bool smooth : {false, true})
                for (int idatChunkBytes : {0, 1, 1000}) {
                    if (idatChunkBytes == 1 && width > 7)
                        continue; // a chunk a byte: enough on the small ones
                    const int height = width > 7 ? 4 : 9;
                    const std::vector<std::uint16_t> samples =
                        randomSamples(width, height, rng, smooth);
                    const QByteArray png = pngBytes(
                        width, height, 16, 2, false,
                        filteredRgb16Scanlines(width, height, samples, filters), idatChunkBytes);
                    Pixels expected;
                    QCOMPARE(decodeWithLibspng(png, expected), 0);
                    const auto *file = reinterpret_cast<const unsigned char *>(png.constData());
                    for (pngkernels::Isa isa :
                         {pngkernels::Isa::Scalar, pngkernels::Isa::Sse2, pngkernels::Isa::Avx2}) {
                        const pngkernels::PngRowKernels *kernels =
                            pngkernels::pngRowKernelsFor(isa);
                        if (!kernels)
                            continue;
                        CollectRows rows;
                        QCOMPARE(readPngRgb16(file, std::size_t(png.size()), rows, *kernels),
                                 Rgb16Read::Done);
                        if (rows.pixels != expected)
                            QFAIL(qPrintable(QStringLiteral("%1: width %2, filters from %3, "
                                                            "chunks of %4")
                                                 .arg(kernels->name)
                                                 .arg(width)
                                                 .arg(filters[0])
                                                 .arg(idatChunkBytes)));
                    }
                    ++files;
                }
    QCOMPARE(files, 5 * 7 * 2 * 3 - 7 * 2);
}

void TestKittiPng::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    // 5 x 3, all valid; its zlib stream, its chunks.
    std::vector<std::uint16_t> samples;
    for (int i = 0; i < 15; ++i)
        samples.insert(samples.end(), {std::uint16_t(32768 + i), std::uint16_t(32768 - i), 1});
    const QByteArray raw = rgb16Scanlines(5, 3, samples);
    const QByteArray head = header(5, 3);
    const QByteArray stream = zlibStream(raw);
    const QByteArray idat = pngChunk("IDAT", stream);
    const QByteArray iend = pngChunk("IEND", QByteArray());
    const QByteArray text = pngChunk("tEXt", QByteArray("Title\0x", 7));

    QTest::newRow("sound") << head + idat + iend << "flow 5 x 3";
    QTest::newRow("empty IDATs around the data")
        << head + pngChunk("IDAT", {}) + idat + pngChunk("IDAT", {}) + iend << "flow 5 x 3";
    QTest::newRow("text after the image, bytes after IEND") << head + idat + text + iend + "junk"
                                                            << "flow 5 x 3";
    QTest::newRow("IDAT with a wrong CRC")
        << head + withCrcFlipped(idat) + iend << "%1: PNG invalid chunk checksum";
    QTest::newRow("second IDAT with a wrong CRC")
        << head + pngChunk("IDAT", stream.left(9)) +
               withCrcFlipped(pngChunk("IDAT", stream.mid(9))) + iend
        << "%1: PNG invalid chunk checksum";
    QTest::newRow("text after the image with a wrong CRC")
        << head + idat + withCrcFlipped(text) + iend << "%1: PNG invalid chunk checksum";
    QTest::newRow("cut inside the IDAT")
        << head + idat.left(idat.size() - 6) << "%1: file is too short";
    QTest::newRow("no IEND") << head + idat << "%1: file is too short";
    QTest::newRow("IEND cut") << head + idat + iend.left(10) << "%1: file is too short";
    QTest::newRow("stream holds a row more")
        << head + pngChunk("IDAT", zlibStream(raw + raw.left(31))) + iend
        << "%1: PNG IDAT stream too long";
    QTest::newRow("stream a byte short")
        << head + pngChunk("IDAT", zlibStream(raw.left(raw.size() - 1))) + iend
        << "%1: PNG IDAT stream too short";
    QTest::newRow("bytes after the stream")
        << head + pngChunk("IDAT", stream + "xyz") + iend << "%1: PNG IDAT stream too long";
    QTest::newRow("a second IDAT after the stream")
        << head + idat + pngChunk("IDAT", "xyz") + iend << "%1: PNG IDAT stream too long";
    QTest::newRow("stream without its Adler-32")
        << head + pngChunk("IDAT", stream.left(stream.size() - 4)) + iend
        << "%1: PNG IDAT stream too short";
    QTest::newRow("stream cut short")
        << head + pngChunk("IDAT", stream.left(stream.size() - 8)) + iend
        << "%1: PNG IDAT stream error";
    QTest::newRow("only an empty IDAT")
        << head + pngChunk("IDAT", {}) + iend << "%1: PNG IDAT stream too short";
    QTest::newRow("no IDAT") << head + iend << "%1: PNG invalid chunk position";
    QTest::newRow("IDATs parted by text")
        << head + pngChunk("IDAT", stream.left(9)) + text + pngChunk("IDAT", stream.mid(9)) + iend
        << "%1: PNG IDAT stream error";
    QTest::newRow("IDAT after the stream and text")
        << head + idat + text + pngChunk("IDAT", {}) + iend << "%1: PNG invalid chunk position";
    QTest::newRow("IDAT declaring 2 GB") << head + bigEndian32(0x80000000u) + "IDAT" + stream
                                         << "%1: PNG chunk exceeds maximum "
                                            "standard length";
    QTest::newRow("IDAT declaring more than the file")
        << head + bigEndian32(0x7fff0000u) + "IDAT" + stream << "%1: file is too short";
    QTest::newRow("chunk after the image declaring 2 GB")
        << head + idat + bigEndian32(0xffffffffu) + "tEXt"
        << "%1: PNG chunk exceeds maximum "
           "standard length";
    QTest::newRow("unknown critical chunk after the image")
        << head + idat + pngChunk("QQQQ", "x") + iend << "%1: PNG unknown critical chunk";
    QTest::newRow("chunk type that is no word")
        << head + idat + pngChunk("t1Xt", "x") + iend << "%1: PNG invalid chunk type";
    QTest::newRow("PLTE after the image")
        << head + idat + pngChunk("PLTE", QByteArray(3, '\0')) + iend
        << "%1: PNG invalid chunk position";
    QTest::newRow("IEND with data")
        << head + idat + pngChunk("IEND", "x") << "%1: PNG invalid chunk length";
    QByteArray badFilter = raw;
    badFilter[int(raw.size() / 3)] = 5;
    QTest::newRow("scanline filter 5") << head + pngChunk("IDAT", zlibStream(badFilter)) + iend
                                       << "%1: PNG invalid scanline filter";
    QByteArray otherMethod = stream;
    otherMethod[0] = char(0x77), otherMethod[1] = char(0x01 + (31 - (0x7701 % 31)) % 31);
    QTest::newRow("zlib method 7")
        << head + pngChunk("IDAT", otherMethod) + iend << "%1: PNG IDAT stream error";
    QByteArray dictionary = stream;
    dictionary[1] = char(0xbb); // FDICT with a valid check
    QTest::newRow("preset dictionary")
        << head + pngChunk("IDAT", dictionary) + iend << "%1: PNG IDAT stream error";
    // A header that promises 20000 x 20000 (2.4 GB of rows) with the file's length for it, but
    // all of it in an ancillary chunk: refused before any row is allocated.
    QTest::newRow("20000 x 20000 from a few bytes of IDAT")
        << header(20000, 20000) + pngChunk("prVt", QByteArray(2400000, 'x')) + idat + iend
        << "%1: PNG IDAT stream too short";
    // libspng reads interlaced files; the last IDAT's CRC is checked there too.
    const QByteArray adam7 = pngBytes(1, 1, 16, 2, true, rgb16Scanlines(1, 1, {32832, 32768, 1}));
    QTest::newRow("interlaced, sound") << adam7 << "flow 1 x 1";
    QTest::newRow("interlaced, IDAT with a wrong CRC")
        << adam7.left(33) + withCrcFlipped(adam7.mid(33, adam7.size() - 45)) + iend
        << "%1: PNG invalid chunk checksum";
    QTest::newRow("interlaced, no IEND")
        << adam7.left(adam7.size() - 12) << "%1: file is too short";
}

void TestKittiPng::damagedFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(outcome(bytes), expected);
}

QTEST_APPLESS_MAIN(TestKittiPng)
#include "test_kitti_png.moc"
