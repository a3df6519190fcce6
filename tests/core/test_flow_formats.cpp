// Every flow format: files built by hand read as the format defines them, the program's own
// files read back bit for bit, recognition by content, and hostile files refused with a message
// that names the file and the fault, before anything is allocated for what they claim.

#include "cerror_text.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "format_samples.h"

#ifdef FLOWVIEWER_TEST_HDF5
#include <hdf5.h>
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Random bit patterns, with NaNs of every payload and infinities among them.
FloatPlane randomPlane(int rows, int cols, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    FloatPlane plane = vek_alloc_2(rows, cols);
    for (std::size_t i = 0; i < plane.size(); ++i) {
        std::uint32_t bits = rng();
        if (rng() % 8 == 0)
            bits = 0x7f800001u | (bits & 0x803fffffu);
        std::memcpy(plane.data() + i, &bits, 4);
    }
    return plane;
}

bool sameBits(const FloatPlane &a, const FloatPlane &b)
{
    return a.rows() == b.rows() && a.cols() == b.cols() &&
           std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
}

QString describe(const FlowField &f)
{
    return QStringLiteral("flow %1 x %2").arg(f.u.cols()).arg(f.u.rows());
}

FlowField read(const char *path)
{
    return *readFlow(path, FlowRule::FloByName);
}

// "flow W x H", "no flow", or the reader's message with the path replaced by %1.
QString outcome(const QString &path, FlowRule rule = FlowRule::FloByName)
{
    const QByteArray local = QFile::encodeName(path);
    QString result;
    const QString error = cerrorText([&] {
        const std::optional<FlowField> flow =
            readFlow(local.constData(), rule, {nullptr, BandPlan(), false});
        result = flow ? describe(*flow) : QStringLiteral("no flow");
    });
    return error == QLatin1String("(no error)") ? result : QString(error).replace(path, "%1");
}

} // namespace

class TestFlowFormats : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripsAreExact_data();
    void roundTripsAreExact();
    void handMadeFilesRead_data();
    void handMadeFilesRead();
    void kittiReadsAndWritesByItsRules();
    void recognitionByContent_data();
    void recognitionByContent();
    void interleavedIsThePlanes_data();
    void interleavedIsThePlanes();
    void hostileFilesAreRefused_data();
    void hostileFilesAreRefused();
    void hostileHdf5Files_data();
    void hostileHdf5Files();
    void flo5WithoutHdf5();
    void writersAreAtomic();
    void formatsByName();

private:
    QString write(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> dir;
};

void TestFlowFormats::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

QString TestFlowFormats::write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir->filePath(name);
    writeFile(path, bytes);
    return path;
}

void TestFlowFormats::roundTripsAreExact_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    struct Named {
        FlowFormat format;
        const char *name;
    };
    std::vector<Named> formats = {
        {FlowFormat::Flo, "out.flo"}, {FlowFormat::Pfm, "out.pfm"}, {FlowFormat::Npy, "out.npy"}};
#ifdef FLOWVIEWER_TEST_HDF5
    formats.push_back({FlowFormat::Flo5, "out.flo5"});
#endif
    for (const auto &f : formats)
        for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(640, 3), QSize(70, 90)})
            QTest::addRow("%s, %d x %d", f.name, size.width(), size.height())
                << int(f.format) << QString(f.name) << size.height() << size.width();
}

// NaN payloads, infinities and signed zeros come back exactly: nothing passes through a float
// register or a conversion.
void TestFlowFormats::roundTripsAreExact()
{
    QFETCH(int, format);
    QFETCH(QString, name);
    QFETCH(int, rows);
    QFETCH(int, cols);
    const FloatPlane u = randomPlane(rows, cols, 11);
    const FloatPlane v = randomPlane(rows, cols, 12);
    const QByteArray path = QFile::encodeName(dir->filePath(name));
    const WriteReport report = writeFlow(FlowFormat(format), u, v, path.constData());
    QCOMPARE(report.clampedComponents, 0);
    const FlowField back = read(path.constData());
    QVERIFY(sameBits(back.u, u));
    QVERIFY(sameBits(back.v, v));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    // One flow, one file: HDF5 would stamp the second's time into it.
    if (FlowFormat(format) == FlowFormat::Flo5 && rows == 1) {
        QTest::qSleep(1100);
        const QByteArray again = QFile::encodeName(dir->filePath("again.flo5"));
        writeFlow(FlowFormat::Flo5, u, v, again.constData());
        QFile first(QString::fromLocal8Bit(path)), second(QString::fromLocal8Bit(again));
        QVERIFY(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), first.readAll());
    }
}

void TestFlowFormats::handMadeFilesRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // 3 x 2: u = x + 10 y, v = -u.
    std::vector<float> pairs;
    std::vector<float> planes(12);
    std::vector<float> rgb;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const float u = float(x + 10 * y);
            pairs.push_back(u);
            pairs.push_back(-u);
            planes[std::size_t(3 * y + x)] = u;
            planes[std::size_t(6 + 3 * y + x)] = -u;
            rgb.insert(rgb.end(), {u, -u, 99.0f});
        }
    const std::vector<double> pairs64(pairs.begin(), pairs.end());
    const std::vector<double> planes64(planes.begin(), planes.end());
    const QByteArray f4 = "{'descr': '<f4', 'fortran_order': False, 'shape': (2, 3, 2), }";
    QTest::newRow("pfm, little-endian") << "a.pfm" << pfmBytes(3, 2, rgb, true);
    QTest::newRow("pfm, big-endian, scale 2.5")
        << "a.pfm" << pfmBytes(3, 2, rgb, false, "PF 3 2 2.5\n");
    QTest::newRow("pfm, tabs and a carriage return")
        << "a.pfm" << pfmBytes(3, 2, rgb, true, "PF\t3\r\n2 -0.5\r");
    QTest::newRow("npy (H, W, 2) <f4") << "a.npy" << npyBytes(f4, floatData(pairs, true));
    QTest::newRow("npy (H, W, 2) >f8, version 2.0")
        << "a.npy"
        << npyBytes("{'shape': (2, 3, 2), 'fortran_order': False, 'descr': '>f8'}",
                    doubleData(pairs64, false), 2);
    QTest::newRow("npy (2, H, W) <f8")
        << "a.npy"
        << npyBytes("{\"descr\": \"<f8\", \"fortran_order\": False, \"shape\": (2, 2, 3)}",
                    doubleData(planes64, true), 3);
    QTest::newRow("npy (1, H, W, 2) >f4")
        << "a.npy"
        << npyBytes("{'descr':'>f4','fortran_order':False,'shape':(1,2,3,2),}",
                    floatData(pairs, false));
    QTest::newRow("npy (1, 2, H, W) <f4")
        << "a.npy"
        << npyBytes("{'descr': '<f4', 'fortran_order': False, 'shape': (1, 2, 2, 3), }",
                    floatData(planes, true));
    QTest::newRow("any name: content decides")
        << "flow.data" << npyBytes(f4, floatData(pairs, true));
}

void TestFlowFormats::handMadeFilesRead()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QByteArray path = QFile::encodeName(write(name, bytes));
    const FlowField flow = read(path.constData());
    QCOMPARE(flow.u.cols(), 3);
    QCOMPARE(flow.u.rows(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(flow.u[y][x], float(x + 10 * y));
            QCOMPARE(flow.v[y][x], -float(x + 10 * y));
        }
}

void TestFlowFormats::kittiReadsAndWritesByItsRules()
{
    // Reading: (R - 32768) / 64, invalid where B is 0; the samples are big-endian.
    const std::vector<std::uint16_t> samples = {32768, 32768, 1, 0,     65535, 1,
                                                32832, 32736, 1, 12345, 54321, 0};
    const QByteArray file = pngBytes(2, 2, 16, 2, false, rgb16Scanlines(2, 2, samples));
    const QByteArray path = QFile::encodeName(write("000000_10.png", file));
    QCOMPARE(outcome(path), QStringLiteral("flow 2 x 2"));
    const FlowField flow = read(path.constData());
    QCOMPARE(flow.u[0][0], 0.0f);
    QCOMPARE(flow.v[0][0], 0.0f);
    QCOMPARE(flow.u[0][1], -512.0f);
    QCOMPARE(flow.v[0][1], 511.984375f);
    QCOMPARE(flow.u[1][0], 1.0f);
    QCOMPARE(flow.v[1][0], -0.5f);
    QVERIFY(std::isnan(flow.u[1][1]) && std::isnan(flow.v[1][1]));

    // Writing: floor(c x 64 + 32768.5) within 16 bits, clamped and counted beyond; unknown
    // vectors invalid; within 1/128 px of the value either way.
    const std::vector<float> us = {0.0f,  -512.0f, 511.99f, 512.0f, -600.0f, 3.3f,
                                   1e10f, kNaN,    0.0078f, 1e9f,   -1e9f,   -0.0079f};
    const std::vector<float> vs = {1.0f / 128, 0.0f, 0.0f, -512.01f, 0.0f, -3.3f,
                                   0.0f,       1.0f, 0.0f, 0.0f,     0.0f, 0.0f};
    FloatPlane u = vek_alloc_2(1, int(us.size()));
    FloatPlane v = vek_alloc_2(1, int(us.size()));
    std::copy(us.begin(), us.end(), u.data());
    std::copy(vs.begin(), vs.end(), v.data());
    const QByteArray out = QFile::encodeName(dir->filePath("out.png"));
    const WriteReport report = writeFlow(FlowFormat::KittiPng, u, v, out.constData());
    QCOMPARE(report.clampedComponents, 5); // 512, -512.01, -600, 1e9, -1e9
    const FlowField back = read(out.constData());
    const float expectedU[] = {0.0f, -512.0f, 511.984375f, 511.984375f, -512.0f, 3.296875f,
                               kNaN, kNaN,    0.0f,        511.984375f, -512.0f, -0.015625f};
    for (std::size_t i = 0; i < us.size(); ++i) {
        QCOMPARE(back.u[0][int(i)], expectedU[i]);
        if (!std::isnan(expectedU[i]) && std::fabs(us[i]) < 512.0f)
            QVERIFY(std::fabs(back.u[0][int(i)] - us[i]) <= 1.0f / 128);
    }
    QCOMPARE(back.v[0][0], 0.015625f); // 1/128 rounds up, as floor(x + 0.5) does
    QCOMPARE(back.v[0][5], -3.296875f);
}

// The viewer's rule, then the rule by content where it differs.
void TestFlowFormats::recognitionByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("byContent"); // empty: as expected
    const std::vector<float> rgb(3 * 4, 0.5f);
    const QByteArray kitti = pngBytes(2, 1, 16, 2, false, rgb16Scanlines(2, 1, {1, 2, 1, 3, 4, 0}));
    QTest::newRow("PF and a newline")
        << "x.bin" << pfmBytes(2, 2, rgb, true) << "flow 2 x 2" << QString();
    QTest::newRow("PF without whitespace")
        << "x.pfm" << QByteArray("PF2 2 -1\n") << "no flow" << QString();
    QTest::newRow("KITTI under another name") << "x.jpg" << kitti << "flow 2 x 1" << QString();
    QTest::newRow("16-bit RGB with a third channel of 2")
        << "x.png" << pngBytes(1, 1, 16, 2, false, rgb16Scanlines(1, 1, {1, 2, 2})) << "no flow"
        << QString();
    QTest::newRow("8-bit RGB") << "x.png" << pngBytes(1, 1, 8, 2, false, QByteArray("\0\1\2\3", 4))
                               << "no flow" << QString();
    QTest::newRow("16-bit grey") << "x.png" << pngBytes(1, 1, 16, 0, false, QByteArray(3, '\0'))
                                 << "no flow" << QString();
    QTest::newRow("palette") << "x.png" << pngBytes(1, 1, 8, 3, false, QByteArray(2, '\0'))
                             << "no flow" << QString();
    // An interlaced 1 x 1 picture has its pixel in the first pass only.
    QTest::newRow("interlaced KITTI")
        << "x.png" << pngBytes(1, 1, 16, 2, true, rgb16Scanlines(1, 1, {32832, 32768, 1}))
        << "flow 1 x 1" << QString();
    QTest::newRow("a .flo by its content only")
        << "x.FLO" << floBytesFilled(2, 2, 1, 1) << "no flow"
        << "flow 2 x 2";
    QTest::newRow("a .flo by its name")
        << "x.flo" << floBytesFilled(2, 3, 1, 1) << "flow 2 x 3" << QString();
    QTest::newRow("text") << "notes.txt" << QByteArray("hello\n") << "no flow" << QString();
    QTest::newRow("empty") << "empty.npy" << QByteArray() << "no flow" << QString();
    QTest::newRow("a .flo without a suffix") << "flow" << floBytesFilled(3, 1, 1, 1) << "no flow"
                                             << "flow 3 x 1";
    QTest::newRow("a .flo by its content, cut short")
        << "x.FLO" << floBytesFilled(3, 1, 1, 1).chopped(1) << "no flow"
        << "ReadFlowFile(%1): file is too short";
    QTest::newRow("a PFM named .flo")
        << "x.flo" << pfmBytes(2, 2, rgb, true)
        << "ReadFlowFile(%1): wrong tag (possibly due to big-endian machine?)" << QString();
}

void TestFlowFormats::recognitionByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(QString, byContent);
    const QString path = write(name, bytes);
    QCOMPARE(outcome(path), expected);
    QCOMPARE(outcome(path, FlowRule::ByContent), byContent.isNull() ? expected : byContent);
    const QByteArray local = QFile::encodeName(path);
    const auto known = [&](FlowRule rule) { return recogniseFlowFile(local.constData(), rule); };
    if (expected.startsWith("flow"))
        QVERIFY(known(FlowRule::FloByName));
    if (byContent.startsWith("flow") || byContent.startsWith("ReadFlowFile"))
        QCOMPARE(known(FlowRule::ByContent), FlowFormat::Flo);
}

void TestFlowFormats::interleavedIsThePlanes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("name");
    QTest::newRow(".flo") << int(FlowFormat::Flo) << "i.flo";
    QTest::newRow(".flo by content") << int(FlowFormat::Flo) << "i.FLO";
    QTest::newRow("pfm") << int(FlowFormat::Pfm) << "i.pfm";
    QTest::newRow("npy") << int(FlowFormat::Npy) << "i.npy";
    QTest::newRow("kitti") << int(FlowFormat::KittiPng) << "i.png";
}

// An (H, W, 2) buffer receives every bit the planes do, asked for once with the flow's size.
void TestFlowFormats::interleavedIsThePlanes()
{
    QFETCH(int, format);
    QFETCH(QString, name);
    const int rows = 5, cols = 7;
    const FloatPlane u = randomPlane(rows, cols, 21);
    const FloatPlane v = randomPlane(rows, cols, 22);
    const QByteArray path = QFile::encodeName(dir->filePath(name));
    writeFlow(FlowFormat(format), u, v, path.constData());
    const FlowField planes = *readFlow(path.constData(), FlowRule::ByContent);

    std::vector<float> pairs;
    QString calls;
    FlowReadOptions options;
    options.sized = [&](int w, int h) { calls += QStringLiteral("sized %1 x %2;").arg(w).arg(h); };
    options.destination = [&](int w, int h) {
        calls += QStringLiteral("destination %1 x %2;").arg(w).arg(h);
        pairs.assign(2 * std::size_t(w) * std::size_t(h), 0.0f);
        return pairs.data();
    };
    const std::optional<FlowField> flow = readFlow(path.constData(), FlowRule::ByContent, options);
    QVERIFY(flow && !flow->u && !flow->v);
    QCOMPARE(calls, QStringLiteral("sized 7 x 5;destination 7 x 5;"));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const float *pair = &pairs[2 * std::size_t(y * cols + x)];
            QVERIFY(std::memcmp(pair, planes.u[y] + x, 4) == 0);
            QVERIFY(std::memcmp(pair + 1, planes.v[y] + x, 4) == 0);
        }
}

void TestFlowFormats::hostileFilesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const std::vector<float> rgb(3 * 6, 1.0f);
    const QByteArray pfm = pfmBytes(3, 2, rgb, true);
    QTest::newRow("pfm cut short") << "a.pfm" << pfm.left(pfm.size() - 1)
                                   << "%1: data of 71 bytes where width x height x 12 is 72";
    QTest::newRow("pfm too long") << "a.pfm" << pfm + 'x'
                                  << "%1: data of 73 bytes where width x height x 12 is 72";
    QTest::newRow("pfm cut in its header")
        << "a.pfm" << QByteArray("PF\n3 2") << "%1: file is too short";
    QTest::newRow("pfm with one channel")
        << "a.pfm" << QByteArray("Pf\n3 2\n-1\n") + QByteArray(24, 0)
        << "%1: PFM with one channel holds no flow";
    QTest::newRow("pfm scale 0") << "a.pfm" << QByteArray("PF\n1 1\n0\n") + QByteArray(12, 0)
                                 << "%1: PFM scale '0' is not a finite number other than 0";
    QTest::newRow("pfm scale nan") << "a.pfm" << QByteArray("PF\n1 1\nnan\n") + QByteArray(12, 0)
                                   << "%1: PFM scale 'nan' is not a finite number other than 0";
    QTest::newRow("pfm scale inf") << "a.pfm" << QByteArray("PF\n1 1\n-inf\n") + QByteArray(12, 0)
                                   << "%1: PFM scale '-inf' is not a finite number other than 0";
    QTest::newRow("pfm width 0") << "a.pfm" << QByteArray("PF\n0 1\n-1\n")
                                 << "%1: PFM width '0' is not 1 to 99999";
    QTest::newRow("pfm height 100000") << "a.pfm" << QByteArray("PF\n1 100000\n-1\n")
                                       << "%1: PFM height '100000' is not 1 to 99999";
    QTest::newRow("pfm negative width")
        << "a.pfm" << QByteArray("PF\n-3 1\n-1\n") << "%1: PFM width '-3' is not 1 to 99999";
    QTest::newRow("pfm huge header, no data")
        << "a.pfm" << QByteArray("PF\n99999 99999\n-1\n")
        << "%1: data of 0 bytes where width x height x 12 is 119997600012";
    QTest::newRow("pfm endless header") << "a.pfm" << QByteArray("PF") + QByteArray(400, ' ')
                                        << "%1: PFM header is longer than 256 bytes";

    const QByteArray data12 = floatData(std::vector<float>(12, 1.0f), true);
    const auto npy = [](const char *dict, const QByteArray &data) { return npyBytes(dict, data); };
    QTest::newRow("npy object dtype")
        << "a.npy" << npy("{'descr': '|O', 'fortran_order': False, 'shape': (2, 3, 2), }", data12)
        << "%1: holds Python objects, which are never loaded";
    QTest::newRow("npy int dtype")
        << "a.npy" << npy("{'descr': '<i4', 'fortran_order': False, 'shape': (2, 3, 2), }", data12)
        << "%1: dtype '<i4' is not float32 or float64 ('<f4', '>f4', '<f8', '>f8')";
    QTest::newRow("npy Fortran order")
        << "a.npy" << npy("{'descr': '<f4', 'fortran_order': True, 'shape': (2, 3, 2), }", data12)
        << "%1: is stored in Fortran order; only C order is read";
    QTest::newRow("npy pickled call in the header")
        << "a.npy"
        << npy("{'descr': __import__('os').system('true'), 'fortran_order': False, 'shape': (2, "
               "3, 2)}",
               data12)
        << "%1: header has a 'descr' that is not a string";
    QTest::newRow("npy extra key")
        << "a.npy"
        << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (2, 3, 2), 'x': 1}", data12)
        << "%1: header holds a key other than 'descr', 'fortran_order' and 'shape', or one of them "
           "twice";
    QTest::newRow("npy rank 2")
        << "a.npy" << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (6, 2), }", data12)
        << "%1: shape (6, 2) holds no flow: (H, W, 2), (2, H, W), (1, H, W, 2) or (1, 2, H, W) "
           "expected";
    QTest::newRow("npy three channels")
        << "a.npy" << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (1, 4, 3), }", data12)
        << "%1: shape (1, 4, 3) holds no flow: (H, W, 2), (2, H, W), (1, H, W, 2) or (1, 2, H, W) "
           "expected";
    QTest::newRow("npy side of 100000")
        << "a.npy"
        << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (100000, 1, 2), }", data12)
        << "%1: shape (100000, 1, 2): each side must be 1 to 99999";
    QTest::newRow("npy overflowing product")
        << "a.npy"
        << npy("{'descr': '<f8', 'fortran_order': False, 'shape': (99999, 99999, 2), }", data12)
        << "%1: data of 48 bytes where shape (99999, 99999, 2) needs 159996800016";
    QTest::newRow("npy dimension beyond any")
        << "a.npy"
        << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (99999999999999999999, 1, 2)}",
               data12)
        << "%1: header has a 'shape' that is not a tuple of whole numbers";
    QTest::newRow("npy cut short")
        << "a.npy"
        << npy("{'descr': '<f4', 'fortran_order': False, 'shape': (2, 3, 2), }", data12.left(47))
        << "%1: data of 47 bytes where shape (2, 3, 2) needs 48";
    QByteArray huge = npyBytes("{'descr': '<f4', 'fortran_order': False, 'shape': (2, 3, 2), }" +
                                   QByteArray(70000, ' '),
                               data12, 2);
    QTest::newRow("npy header of 70 KB")
        << "a.npy" << huge << "%1: header of 70068 bytes is too long";
    QTest::newRow("npy version 4") << "a.npy" << QByteArray("\x93NUMPY\x04\x00\x10\x00", 10)
                                   << "%1: format version 4.0 is not 1.0, 2.0 or 3.0";
    QTest::newRow("npy cut in its header")
        << "a.npy" << QByteArray("\x93NUMPY\x01\x00\x40", 9) << "%1: file is too short";

    QByteArray bomb = pngBytes(2, 1, 16, 2, false, rgb16Scanlines(2, 1, {1, 2, 1, 3, 4, 0}));
    bomb[16] = 0, bomb[17] = 1, bomb[18] = char(0x86), bomb[19] = char(0x9f); // 99999 wide
    bomb[20] = 0, bomb[21] = 1, bomb[22] = char(0x86), bomb[23] = char(0x9f); // and high
    QTest::newRow("png claiming 99999 x 99999")
        << "a.png" << bomb << "%1: file is too short for the picture its header describes";
    const QByteArray kitti =
        pngBytes(3, 2, 16, 2, false, rgb16Scanlines(3, 2, std::vector<std::uint16_t>(18, 1)));
    QTest::newRow("png cut in its data")
        << "a.png" << kitti.left(kitti.size() - 20) << "%1: file is too short";
}

void TestFlowFormats::hostileFilesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QCOMPARE(outcome(write(name, bytes)), error);
}

void TestFlowFormats::hostileHdf5Files_data()
{
#ifndef FLOWVIEWER_TEST_HDF5
    QSKIP("built without HDF5");
#endif
    QTest::addColumn<QByteArray>("dataset");
    QTest::addColumn<QList<unsigned long long>>("dims");
    QTest::addColumn<int>("type"); // 0 f32le, 1 f64be, 2 i32
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QString>("expected");
    using Dims = QList<unsigned long long>;
    QTest::newRow("float64, big-endian")
        << QByteArray("flow") << Dims{2, 3, 2} << 1 << true << "flow 3 x 2";
    QTest::newRow("no dataset called flow")
        << QByteArray("uv") << Dims{2, 3, 2} << 0 << true << "%1: holds no dataset \"flow\"";
    QTest::newRow("rank 2") << QByteArray("flow") << Dims{6, 2} << 0 << true
                            << "%1: \"flow\" has rank 2 where (H, W, 2) is needed";
    QTest::newRow("three channels") << QByteArray("flow") << Dims{2, 3, 3} << 0 << true
                                    << "%1: \"flow\" has 3 channels where 2 are needed";
    QTest::newRow("integers") << QByteArray("flow") << Dims{2, 3, 2} << 2 << true
                              << "%1: \"flow\" does not hold 32- or 64-bit floats";
    QTest::newRow("side of 100000") << QByteArray("flow") << Dims{1, 100000, 2} << 0 << false
                                    << "%1: \"flow\" of 1 x 100000: each side must be 1 to 99999";
    QTest::newRow("99999 x 99999, never written")
        << QByteArray("flow") << Dims{99999, 99999, 2} << 0 << false
        << "%1: \"flow\" stores less data than its shape needs";
}

void TestFlowFormats::hostileHdf5Files()
{
#ifdef FLOWVIEWER_TEST_HDF5
    QFETCH(QByteArray, dataset);
    QFETCH(QList<unsigned long long>, dims);
    QFETCH(int, type);
    QFETCH(bool, fill);
    QFETCH(QString, expected);
    const hid_t types[] = {H5T_IEEE_F32LE, H5T_IEEE_F64BE, H5T_STD_I32LE};
    std::vector<double> data;
    if (fill) {
        std::size_t n = 1;
        for (unsigned long long d : dims)
            n *= std::size_t(d);
        for (std::size_t i = 0; i < n; ++i)
            data.push_back(i % 2 ? -double(i / 2) : double(i / 2) + 0.1);
    }
    const QString path = dir->filePath("a.flo5");
    QVERIFY(
        writeHdf5(path, dataset.constData(), {dims.begin(), dims.end()}, types[type], data, !fill));
    QCOMPARE(outcome(path), expected);
    if (expected.startsWith("flow")) {
        const FlowField flow = read(QFile::encodeName(path).constData());
        QCOMPARE(flow.u[1][2], float(5 + 0.1));
        QCOMPARE(flow.v[1][2], -5.0f);
    }
#endif
}

// A failed write leaves the file already there as it was and no temporary file behind.
// Without HDF5 a .flo5 is still known, and says why it does not open.
void TestFlowFormats::flo5WithoutHdf5()
{
#ifdef FLOWVIEWER_TEST_HDF5
    QSKIP("built with HDF5");
#else
    QCOMPARE(outcome(write("a.flo5", QByteArray("\x89HDF\r\n\x1a\n", 8) + QByteArray(40, 0))),
             QStringLiteral("%1: built without HDF5"));
#endif
}

void TestFlowFormats::writersAreAtomic()
{
    const FloatPlane u = randomPlane(4, 5, 1);
    const FloatPlane v = randomPlane(4, 5, 2);
    const QString existing = write("keep.pfm", "precious");
    QVERIFY(QDir(dir->path()).mkdir("sub"));
    const QByteArray inMissingFolder = QFile::encodeName(dir->filePath("no/such/out.npy"));
    QVERIFY(cerrorText([&] {
                writeFlow(FlowFormat::Npy, u, v, inMissingFolder.constData());
            }).startsWith(inMissingFolder + ": cannot be written: "));
    const QByteArray onAFolder = QFile::encodeName(dir->filePath("sub"));
    for (FlowFormat format : {FlowFormat::Flo, FlowFormat::Pfm, FlowFormat::Npy,
                              FlowFormat::KittiPng, FlowFormat::Flo5})
        QVERIFY(cerrorText([&] {
                    writeFlow(format, u, v, onAFolder.constData());
                }).startsWith(onAFolder + ": cannot be written: "));
    QFile kept(existing);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.pfm"});
    writeFlow(FlowFormat::Pfm, u, v, QFile::encodeName(existing).constData());
    QVERIFY(sameBits(read(QFile::encodeName(existing).constData()).u, u));
}

void TestFlowFormats::formatsByName()
{
    QCOMPARE(flowFormatForName("a/b.flo"), FlowFormat::Flo);
    QCOMPARE(flowFormatForName("b.FLO5"), FlowFormat::Flo5);
    QCOMPARE(flowFormatForName("b.Pfm"), FlowFormat::Pfm);
    QCOMPARE(flowFormatForName("b.npy"), FlowFormat::Npy);
    QCOMPARE(flowFormatForName("000000_10.png"), FlowFormat::KittiPng);
    QVERIFY(!flowFormatForName("b.jpg"));
    QVERIFY(!flowFormatForName("dir.flo/b"));
    QVERIFY(!flowFormatForName("b"));
}

QTEST_APPLESS_MAIN(TestFlowFormats)
#include "test_flow_formats.moc"
