#include "cerror_text.h"
#include "flo_reader.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "test_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kNoError = QStringLiteral("(no error)");
const QString kEmptyFilename = QStringLiteral("ReadFlowFile: empty filename");
const QString kExtension = QStringLiteral("ReadFlowFile (%1): extension .flo expected");
const QString kCouldNotOpen = QStringLiteral("ReadFlowFile: could not open %1");
const QString kProblemReading = QStringLiteral("ReadFlowFile: problem reading file %1");
const QString kWrongTag =
    QStringLiteral("ReadFlowFile(%1): wrong tag (possibly due to big-endian machine?)");
const QString kIllegalWidth = QStringLiteral("ReadFlowFile(%1): illegal width ");
const QString kIllegalHeight = QStringLiteral("ReadFlowFile(%1): illegal height ");
const QString kTooShort = QStringLiteral("ReadFlowFile(%1): file is too short");
const QString kTooLong = QStringLiteral("ReadFlowFile(%1): file is too long");

constexpr float kSentinel = -7.0f;

// Distinct values for every vector, so a misplaced copy shows.
float fieldU(int x, int y)
{
    return float(10 * y + x) + 0.25f;
}

float fieldV(int x, int y)
{
    return -float(10 * y + x) - 0.5f;
}

std::vector<float> numberedField(int width, int height)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uv.push_back(fieldU(x, y));
            uv.push_back(fieldV(x, y));
        }
    }
    return uv;
}

QByteArray numberedFile(int width, int height)
{
    return floBytes(width, height, numberedField(width, height));
}

QString expand(QString message, const QString &path)
{
    return message.replace(QLatin1String("%1"), path);
}

quint32 bitsOf(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

quint32 wordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

FloatPlane filledPlane(int rows, int cols)
{
    if (rows < 1 || cols < 1)
        return FloatPlane();
    FloatPlane plane = vek_alloc_2(rows, cols);
    std::fill(plane.data(), plane.data() + plane.size(), kSentinel);
    return plane;
}

// A blocked open would hang the run; the alarm ends it with a failure instead.
extern "C" void watchdogFired(int)
{
    static const char message[] = "FAIL!  : watchdog: a reader blocked\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    static_cast<void>(written);
    _exit(1);
}

class Watchdog
{
public:
    explicit Watchdog(unsigned seconds)
    {
        std::signal(SIGALRM, watchdogFired);
        alarm(seconds);
    }
    ~Watchdog() { alarm(0); }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
};

} // namespace

class TestFloReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messages_data();
    void messages();
    void nullPath();
    void probeKeepsWhatItRead();
    void nonRegularPathsAreRefused_data();
    void nonRegularPathsAreRefused();
    void readsPixelsInFileOrder();
    void symlinkToFileIsRead();
    void largestSidesPass();
    void rereadingSameSizeReusesMemory();
    void loadStaysInBounds_data();
    void loadStaysInBounds();
    void sintelFlow();

private:
    // Writes bytes under the temporary folder and returns the full path.
    QString write(const QString &name, const QByteArray &bytes);

    QTemporaryDir dir_;
};

QString TestFloReader::write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir_.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    if (!writeFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestFloReader::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void TestFloReader::messages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("readMessage");
    QTest::addColumn<QString>("probeMessage");

    const QByteArray valid = numberedFile(3, 2);
    QByteArray reversedTag = valid;
    std::reverse(reversedTag.begin(), reversedTag.begin() + 4);
    const std::vector<float> six = numberedField(3, 2);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    QTest::newRow("60 bytes, 3 x 2") << "valid.flo" << valid << kNoError << kNoError;
    QTest::newRow("one byte too many")
        << "long.flo" << valid + QByteArray(1, '\0') << kTooLong << kNoError;
    QTest::newRow("a row too many")
        << "longrow.flo" << valid + QByteArray(24, '\0') << kTooLong << kNoError;
    QTest::newRow("one byte too few") << "short.flo" << valid.chopped(1) << kTooShort << kNoError;
    QTest::newRow("header only") << "header.flo" << valid.left(12) << kTooShort << kNoError;
    QTest::newRow("11 bytes") << "eleven.flo" << valid.left(11) << kProblemReading
                              << kProblemReading;
    QTest::newRow("tag only") << "tag.flo" << valid.left(4) << kProblemReading << kProblemReading;
    QTest::newRow("empty file") << "empty.flo" << QByteArray("") << kProblemReading
                                << kProblemReading;
    QTest::newRow("tag bytes reversed") << "reversed.flo" << reversedTag << kWrongTag << kNoError;
    QTest::newRow("NaN tag") << "nantag.flo" << floBytes(3, 2, six, nan) << kWrongTag << kNoError;
    QTest::newRow("width 0") << "w0.flo" << floBytes(0, 2, {}) << kIllegalWidth + "0" << kNoError;
    QTest::newRow("width -5") << "wneg.flo" << floBytes(-5, 2, six) << kIllegalWidth + "-5"
                              << kNoError;
    QTest::newRow("width 100000") << "wbig.flo" << floBytes(100000, 1, six)
                                  << kIllegalWidth + "100000" << kNoError;
    QTest::newRow("height 0") << "h0.flo" << floBytes(3, 0, {}) << kIllegalHeight + "0" << kNoError;
    QTest::newRow("height -1") << "hneg.flo" << floBytes(3, -1, six) << kIllegalHeight + "-1"
                               << kNoError;
    QTest::newRow("height 100000")
        << "hbig.flo" << floBytes(3, 100000, six) << kIllegalHeight + "100000" << kNoError;
    // Order of the checks: the first fault in the file is the one reported.
    QTest::newRow("width and height 0 report the width")
        << "w0h0.flo" << floBytes(0, 0, {}) << kIllegalWidth + "0" << kNoError;
    QTest::newRow("wrong tag before illegal width")
        << "tagw0.flo" << floBytes(0, 2, {}, 1.0f) << kWrongTag << kNoError;
    QTest::newRow("illegal height before short data")
        << "hshort.flo" << floBytes(3, 100000, {}) << kIllegalHeight + "100000" << kNoError;
    QTest::newRow("extension before open")
        << "missing.FLO" << QByteArray() << kExtension << kExtension;
    QTest::newRow("missing file") << "missing.flo" << QByteArray() << kCouldNotOpen
                                  << kCouldNotOpen;
    QTest::newRow("upper-case extension a.FLO") << "a.FLO" << valid << kExtension << kExtension;
    QTest::newRow("a.flo.bak") << "a.flo.bak" << valid << kExtension << kExtension;
    QTest::newRow("no dot") << "a" << valid << kExtension << kExtension;
    QTest::newRow("dot only in the folder") << "dir.old/a" << valid << kExtension << kExtension;
    QTest::newRow("dotted folder, .flo file") << "dir.old/a.flo" << valid << kNoError << kNoError;
}

// Each row runs the full reader, the probe, and for a .flo name the reading entry, which
// checks before it allocates and must agree with the reader on every file.
void TestFloReader::messages()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, readMessage);
    QFETCH(QString, probeMessage);

    const QString path = content.isNull() ? dir_.filePath(name) : write(name, content);
    const QByteArray local = QFile::encodeName(path);
    const char *p = local.constData();

    CImage image;
    QCOMPARE(cerrorText([&] { ReadFlowFile(image, p); }), expand(readMessage, path));
    QCOMPARE(isFloName(p), readMessage != kExtension);
    if (isFloName(p))
        QCOMPARE(cerrorText([&] { readFlow(p, FlowRule::ByContent); }), expand(readMessage, path));

    int rows = -100;
    int cols = -100;
    QCOMPARE(cerrorText([&] { ReadFlowFileSize(p, rows, cols); }), expand(probeMessage, path));
    if (probeMessage == kNoError) {
        QCOMPARE(cols, qint32(wordAt(content, 4)));
        QCOMPARE(rows, qint32(wordAt(content, 8)));
    }
}

void TestFloReader::nullPath()
{
    CImage image;
    FloatPlane u = filledPlane(1, 1);
    FloatPlane v = filledPlane(1, 1);
    int rows = 0;
    int cols = 0;
    QCOMPARE(cerrorText([&] { ReadFlowFile(image, nullptr); }), kEmptyFilename);
    QCOMPARE(cerrorText([&] { ReadFlowFileSize(nullptr, rows, cols); }), kEmptyFilename);
    QCOMPARE(cerrorText([&] { LoadFlowPlanes(nullptr, u, v, 1, 1); }), kEmptyFilename);
}

void TestFloReader::probeKeepsWhatItRead()
{
    const QByteArray valid = numberedFile(3, 2);
    int rows = -100;
    int cols = -100;

    const QByteArray eleven = QFile::encodeName(write("probe11.flo", valid.left(11)));
    QVERIFY(cerrorText([&] { ReadFlowFileSize(eleven.constData(), rows, cols); }) != kNoError);
    QCOMPARE(cols, 3);
    QCOMPARE(rows, -100);
}

void TestFloReader::nonRegularPathsAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("directory named x.flo") << "directory";
    QTest::newRow("FIFO named x.flo") << "fifo";
    QTest::newRow("link to a FIFO") << "fifo link";
    QTest::newRow("link to a device") << "device";
}

void TestFloReader::nonRegularPathsAreRefused()
{
    QFETCH(QString, kind);

    const QString path = dir_.filePath(QString(kind).replace(' ', '_') + ".flo");
    const QByteArray local = QFile::encodeName(path);
    if (kind == "directory") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "fifo") {
        QCOMPARE(mkfifo(local.constData(), 0600), 0);
    } else if (kind == "fifo link") {
        const QString fifo = dir_.filePath("target_fifo");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(fifo, path));
    } else {
        struct stat info;
        if (::stat("/dev/null", &info) != 0 || !S_ISCHR(info.st_mode))
            QSKIP("no /dev/null character device here");
        QVERIFY(QFile::link("/dev/null", path));
    }

    const Watchdog watchdog(10);
    const char *p = local.constData();
    const QString expected = expand(kCouldNotOpen, path);
    CImage image;
    FloatPlane u = filledPlane(1, 1);
    FloatPlane v = filledPlane(1, 1);
    int rows = 0;
    int cols = 0;
    QCOMPARE(cerrorText([&] { ReadFlowFile(image, p); }), expected);
    QCOMPARE(cerrorText([&] { ReadFlowFileSize(p, rows, cols); }), expected);
    QCOMPARE(cerrorText([&] { readFlow(p, FlowRule::FloByName); }), expected);
    QCOMPARE(cerrorText([&] { LoadFlowPlanes(p, u, v, 1, 1); }), expected);
}

void TestFloReader::readsPixelsInFileOrder()
{
    const QByteArray bytes = numberedFile(3, 2);
    QCOMPARE(bytes.size(), 60);
    const QByteArray local = QFile::encodeName(write("order.flo", bytes));

    CImage image;
    ReadFlowFile(image, local.constData());
    QVERIFY(image.shape() == (ImageShape{3, 2, 2}));
    QCOMPARE(image.rowStride(), 24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(image.floatAt(x, y, 0), fieldU(x, y));
            QCOMPARE(image.floatAt(x, y, 1), fieldV(x, y));
        }
    }

    FloatPlane u = filledPlane(2, 3);
    FloatPlane v = filledPlane(2, 3);
    LoadFlowPlanes(local.constData(), u, v, 2, 3);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(u[y][x], fieldU(x, y));
            QCOMPARE(v[y][x], fieldV(x, y));
        }
    }
}

void TestFloReader::symlinkToFileIsRead()
{
    const QString target = write("target.flo", numberedFile(3, 2));
    const QString link = dir_.filePath("link.flo");
    QVERIFY(QFile::link(target, link));
    const QByteArray local = QFile::encodeName(link);

    CImage image;
    QCOMPARE(cerrorText([&] { ReadFlowFile(image, local.constData()); }), kNoError);
    QCOMPARE(image.floatAt(2, 1, 1), fieldV(2, 1));
}

void TestFloReader::largestSidesPass()
{
    const QByteArray wide = QFile::encodeName(write("wide.flo", numberedFile(99999, 1)));
    const QByteArray tall = QFile::encodeName(write("tall.flo", numberedFile(1, 99999)));

    CImage image;
    QCOMPARE(cerrorText([&] { ReadFlowFile(image, wide.constData()); }), kNoError);
    QCOMPARE(image.floatAt(99998, 0, 0), fieldU(99998, 0));
    QCOMPARE((*readFlow(wide.constData(), FlowRule::FloByName)).u[0][99998], fieldU(99998, 0));

    QCOMPARE(cerrorText([&] { ReadFlowFile(image, tall.constData()); }), kNoError);
    QCOMPARE(image.floatAt(0, 99998, 1), fieldV(0, 99998));
    QCOMPARE((*readFlow(tall.constData(), FlowRule::FloByName)).v[99998][0], fieldV(0, 99998));
}

void TestFloReader::rereadingSameSizeReusesMemory()
{
    const QByteArray first = QFile::encodeName(write("first.flo", numberedFile(3, 2)));
    const QByteArray second = QFile::encodeName(write("second.flo", floBytesFilled(3, 2, 9, 8)));
    const QByteArray other = QFile::encodeName(write("other.flo", numberedFile(2, 3)));

    CImage image;
    ReadFlowFile(image, first.constData());
    unsigned char *const origin = image.origin();
    const SharedBlock *const block = image.block();

    ReadFlowFile(image, second.constData());
    QCOMPARE(image.origin(), origin);
    QCOMPARE(image.block(), block);
    QCOMPARE(image.floatAt(2, 1, 0), 9.0f);

    ReadFlowFile(image, other.constData());
    QVERIFY(image.shape() == (ImageShape{2, 3, 2}));
    QVERIFY(image.origin() != origin);
    QCOMPARE(image.floatAt(1, 2, 0), fieldU(1, 2));
}

void TestFloReader::loadStaysInBounds_data()
{
    QTest::addColumn<int>("fileWidth");
    QTest::addColumn<int>("fileHeight");
    QTest::addColumn<QSize>("uPlane"); // columns x rows
    QTest::addColumn<QSize>("vPlane");
    QTest::addColumn<QSize>("arguments");
    QTest::addColumn<QSize>("copied");

    QTest::newRow("planes as the file")
        << 4 << 3 << QSize(4, 3) << QSize(4, 3) << QSize(4, 3) << QSize(4, 3);
    QTest::newRow("file grew since the probe")
        << 4 << 3 << QSize(2, 2) << QSize(2, 2) << QSize(2, 2) << QSize(2, 2);
    QTest::newRow("planes smaller than their size arguments")
        << 4 << 3 << QSize(2, 2) << QSize(2, 2) << QSize(4, 3) << QSize(2, 2);
    QTest::newRow("file shrank since the probe")
        << 2 << 2 << QSize(4, 3) << QSize(4, 3) << QSize(4, 3) << QSize(2, 2);
    QTest::newRow("arguments smaller than both")
        << 4 << 3 << QSize(4, 3) << QSize(4, 3) << QSize(2, 1) << QSize(2, 1);
    QTest::newRow("u and v planes differ")
        << 4 << 3 << QSize(4, 3) << QSize(3, 2) << QSize(4, 3) << QSize(3, 2);
    QTest::newRow("no planes") << 4 << 3 << QSize(0, 0) << QSize(0, 0) << QSize(4, 3)
                               << QSize(0, 0);
    QTest::newRow("negative arguments")
        << 4 << 3 << QSize(4, 3) << QSize(4, 3) << QSize(-1, -1) << QSize(0, 0);
}

void TestFloReader::loadStaysInBounds()
{
    QFETCH(int, fileWidth);
    QFETCH(int, fileHeight);
    QFETCH(QSize, uPlane);
    QFETCH(QSize, vPlane);
    QFETCH(QSize, arguments);
    QFETCH(QSize, copied);

    const QByteArray local =
        QFile::encodeName(write("bounds.flo", numberedFile(fileWidth, fileHeight)));
    FloatPlane u = filledPlane(uPlane.height(), uPlane.width());
    FloatPlane v = filledPlane(vPlane.height(), vPlane.width());
    LoadFlowPlanes(local.constData(), u, v, arguments.height(), arguments.width());

    // What the file does not cover becomes unknown flow (QCOMPARE takes NaN as equal to NaN).
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    const auto inside = [&](int x, int y) { return x < copied.width() && y < copied.height(); };
    for (int y = 0; y < u.rows(); ++y)
        for (int x = 0; x < u.cols(); ++x)
            QCOMPARE(u[y][x], inside(x, y) ? fieldU(x, y) : unknown);
    for (int y = 0; y < v.rows(); ++y)
        for (int x = 0; x < v.cols(); ++x)
            QCOMPARE(v[y][x], inside(x, y) ? fieldV(x, y) : unknown);
}

void TestFloReader::sintelFlow()
{
    const QString dataDir = sharedDataDir();
    if (dataDir.isEmpty())
        QSKIP("../shared/data is absent: no recorded flow file to read");
    const QString path = dataDir + "/sintel_alley_frame_0002.flo";
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();
    const QByteArray local = QFile::encodeName(path);

    int rows = 0;
    int cols = 0;
    ReadFlowFileSize(local.constData(), rows, cols);
    QCOMPARE(cols, 1024);
    QCOMPARE(rows, 436);
    QCOMPARE(bytes.size(), 12 + 8 * 1024 * 436);

    FloatPlane u = vek_alloc_2(rows, cols);
    FloatPlane v = vek_alloc_2(rows, cols);
    LoadFlowPlanes(local.constData(), u, v, rows, cols);

    const auto uBitsAt = [&](int x, int y) { return wordAt(bytes, 12 + 8 * (y * cols + x)); };
    const auto vBitsAt = [&](int x, int y) { return wordAt(bytes, 16 + 8 * (y * cols + x)); };
    QCOMPARE(bitsOf(u[0][0]), uBitsAt(0, 0));
    QCOMPARE(bitsOf(v[0][0]), vBitsAt(0, 0));
    QCOMPARE(bitsOf(u[435][1023]), uBitsAt(1023, 435));
    QCOMPARE(bitsOf(v[435][1023]), vBitsAt(1023, 435));

    int mismatches = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            mismatches += bitsOf(u[y][x]) != uBitsAt(x, y) || bitsOf(v[y][x]) != vBitsAt(x, y);
    QCOMPARE(mismatches, 0);
}

QTEST_APPLESS_MAIN(TestFloReader)
#include "test_flo_reader.moc"
