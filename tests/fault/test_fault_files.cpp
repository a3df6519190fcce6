// Files that are not what they seem, or stop being what they were while the viewer works on
// them. Every case ends with the window opening a good file normally.

#include "cerror.h"
#include "fault_support.h"
#include "flo_reader.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "modal_closer.h"
#include "open_hook.h"
#include "planes.h"
#include "vek_zandor.h"
#include "window_test_main.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr float kSentinel = -12345.5f;

QByteArray pngBytes(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString cerrorText(const std::function<void()> &call)
{
    try {
        call();
    } catch (const CError &error) {
        return QString::fromLocal8Bit(error.text);
    }
    return QString();
}

FloatPlane sentinelPlane(int rows, int cols)
{
    FloatPlane plane = vek_alloc_2(rows, cols);
    std::fill(plane.data(), plane.data() + plane.size(), kSentinel);
    return plane;
}

bool makeFifo(const QString &path)
{
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool makeLink(const QString &target, const QString &path)
{
    return symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace

class TestFaultFiles : public QObject
{
    Q_OBJECT

private slots:
    // The hook counts every open of a path: a neighbour read ahead would be counted too.
    void initTestCase() { qputenv("FLOWVIEWER_NO_PREFETCH", "1"); }
    void init();
    void cleanup();

    void changedBeforeWheelStep_data();
    void changedBeforeWheelStep();
    void changedBetweenProbeAndRead_data();
    void changedBetweenProbeAndRead();
    void changedWhileTheWindowOpensIt_data();
    void changedWhileTheWindowOpensIt();
    void unreadableFile_data();
    void unreadableFile();
    void notARegularFile_data();
    void notARegularFile();
    void awkwardNames_data();
    void awkwardNames();
    void undecodableName();
    void brokenRasterFiles_data();
    void brokenRasterFiles();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    // Opens the good flow and checks that it shows, with no new message.
    void expectUsable(Vek_Zandor &w);

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    Watchdog *watchdog = nullptr;
    QString goodPath;
    QByteArray rawName;
};

void TestFaultFiles::init()
{
    // Generous: it only has to tell a blocked call from a slow sanitizer build.
    watchdog = new Watchdog(120);
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    QVERIFY(QDir().mkdir(path("good")));
    goodPath = path("good/good.flo");
    QVERIFY(writeFile(goodPath, numberedField(5, 4, 0.5f)));
}

void TestFaultFiles::cleanup()
{
    openhook::disarm();
    // Qt cannot name this file to remove it.
    if (!rawName.isEmpty())
        ::unlink(rawName.constData());
    rawName.clear();
    delete closer;
    closer = nullptr;
    // Restore permissions so the folder can be removed.
    for (const QString &name : QDir(dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        chmod(QFile::encodeName(path(name)).constData(), 0700);
    delete dir;
    dir = nullptr;
    delete watchdog;
    watchdog = nullptr;
}

void TestFaultFiles::expectUsable(Vek_Zandor &w)
{
    const int boxes = closer->count();
    openByName(w, goodPath);
    QVERIFY(showsFile(w, goodPath, 4, 5));
    QVERIFY(w.isFlow);
    QCOMPARE(w.flowU[3][4], numberedU(0.5f, 4, 3));
    QCOMPARE(closer->count(), boxes);
}

void TestFaultFiles::changedBeforeWheelStep_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("opens");
    for (const char *suffix : {"flo", "png"}) {
        const auto row = [suffix](const char *name) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(suffix, name)));
        };
        *row("deleted") << suffix << "delete" << false;
        *row("replaced by a directory") << suffix << "directory" << false;
        *row("replaced by a FIFO") << suffix << "fifo" << false;
        *row("replaced by a dangling link") << suffix << "dangling" << false;
        *row("cut short") << suffix << "cut" << false;
        *row("emptied") << suffix << "empty" << false;
        *row("rewritten at another size") << suffix << "resize" << true;
    }
}

void TestFaultFiles::changedBeforeWheelStep()
{
    QFETCH(QString, suffix);
    QFETCH(QString, change);
    QFETCH(bool, opens);
    const bool flow = suffix == QLatin1String("flo");
    const QStringList names{"a." + suffix, "b." + suffix, "c." + suffix, "d." + suffix};
    for (const QString &name : names)
        QVERIFY(writeFile(path(name), flow ? numberedField(3, 2, 0) : pngBytes(3, 2, 0xff2040)));

    Vek_Zandor w;
    openByName(w, path(names[1]));
    QCOMPARE(w.dirFiles, names);

    // The listing was taken when b was opened; now c changes under it.
    const QString c = path(names[2]);
    const QByteArray bytes = flow ? numberedField(7, 6, 0) : pngBytes(7, 6, 0x00ff00);
    if (change != QLatin1String("cut") && change != QLatin1String("empty"))
        QVERIFY(QFile::remove(c));
    if (change == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(c));
    else if (change == QLatin1String("fifo"))
        QVERIFY(makeFifo(c));
    else if (change == QLatin1String("dangling"))
        QVERIFY(makeLink(path("gone"), c));
    else if (change == QLatin1String("cut"))
        QVERIFY(QFile::resize(c, QFileInfo(c).size() / 2));
    else if (change == QLatin1String("empty"))
        QVERIFY(QFile::resize(c, 0));
    else if (change == QLatin1String("resize"))
        QVERIFY(writeFile(c, bytes));

    step(w, -1);
    QCOMPARE(w.dirIndex, 2);
    QCOMPARE(w.filePath, c);
    if (opens) {
        QVERIFY(showsFile(w, c, 6, 7));
        QCOMPARE(closer->count(), 0);
    } else {
        QCOMPARE(closer->count(), 1);
        QCOMPARE(closer->titles.first(), QStringLiteral("Open File Error"));
        QVERIFY2(closer->texts.first().startsWith("Cann't open file " + c + " !"),
                 qPrintable(closer->texts.first()));
        QVERIFY(!w.hasImage && !w.isFlow && !w.colorPlane && !w.flowU);
    }

    // Stepping goes on from the failed entry.
    step(w, -1);
    QVERIFY(showsFile(w, path(names[3]), 2, 3));
    QCOMPARE(closer->count(), opens ? 0 : 1);
    expectUsable(w);
}

void TestFaultFiles::changedBetweenProbeAndRead_data()
{
    QTest::addColumn<QByteArray>("changed");
    QTest::addColumn<QString>("checkError"); // %1 is the path; empty when the check passes
    QTest::addColumn<QString>("loadError");
    QTest::addColumn<QSize>("copied"); // columns x rows that reach the planes

    const QByteArray original = numberedField(4, 3, 0);
    const QString tooShort = "ReadFlowFile(%1): file is too short";
    const QString problem = "ReadFlowFile: problem reading file %1";
    QTest::newRow("cut inside the data")
        << original.left(12 + 8 * 5) << tooShort << tooShort << QSize();
    QTest::newRow("cut to the header") << original.left(12) << tooShort << tooShort << QSize();
    QTest::newRow("cut inside the header") << original.left(7) << problem << problem << QSize();
    QTest::newRow("emptied") << QByteArray() << problem << problem << QSize();
    QTest::newRow("grown by a byte") << original + 'x' << "ReadFlowFile(%1): file is too long"
                                     << "ReadFlowFile(%1): file is too long" << QSize();
    QTest::newRow("tag overwritten")
        << QByteArray("XXXX") + original.mid(4)
        << "ReadFlowFile(%1): wrong tag (possibly due to big-endian machine?)"
        << "ReadFlowFile(%1): wrong tag (possibly due to big-endian machine?)" << QSize();
    QTest::newRow("rewritten larger")
        << numberedField(9, 8, 1000) << QString() << QString() << QSize(4, 3);
    QTest::newRow("rewritten smaller")
        << numberedField(2, 2, 1000) << QString() << QString() << QSize(2, 2);
    QTest::newRow("width and height swapped")
        << numberedField(3, 4, 1000) << QString() << QString() << QSize(3, 3);
}

void TestFaultFiles::changedBetweenProbeAndRead()
{
    QFETCH(QByteArray, changed);
    QFETCH(QString, checkError);
    QFETCH(QString, loadError);
    QFETCH(QSize, copied);

    const QString p = path("race.flo");
    const QByteArray local = QFile::encodeName(p);
    QVERIFY(writeFile(p, numberedField(4, 3, 0)));
    int rows = 0;
    int cols = 0;
    ReadFlowFileSize(local.constData(), rows, cols);
    QCOMPARE(rows, 3);
    QCOMPARE(cols, 4);

    QVERIFY(writeFile(p, changed));
    const auto expected = [&](const QString &error) {
        return error.isEmpty() ? error : error.arg(p);
    };
    QCOMPARE(cerrorText([&] { readFlow(local.constData(), FlowRule::FloByName); }),
             expected(checkError));

    FloatPlane u = sentinelPlane(rows, cols);
    FloatPlane v = sentinelPlane(rows, cols);
    QCOMPARE(cerrorText([&] { LoadFlowPlanes(local.constData(), u, v, rows, cols); }),
             expected(loadError));
    // A failed read leaves the planes as they were; a successful one marks what the file did
    // not cover as unknown flow (QCOMPARE takes NaN as equal to NaN).
    const float outside = loadError.isEmpty() ? std::numeric_limits<float>::quiet_NaN() : kSentinel;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            const bool inside = x < copied.width() && y < copied.height();
            QCOMPARE(u[y][x], inside ? numberedU(1000, x, y) : outside);
            QCOMPARE(v[y][x], inside ? -numberedU(1000, x, y) : outside);
        }
    }
}

void TestFaultFiles::changedWhileTheWindowOpensIt_data()
{
    QTest::addColumn<QByteArray>("changed");
    QTest::addColumn<QString>("error"); // %1 is the path; empty when it opens
    QTest::addColumn<QSize>("size");    // columns x rows shown

    const QByteArray original = numberedField(4, 3, 0);
    QTest::newRow("cut") << original.left(40) << "ReadFlowFile(%1): file is too short" << QSize();
    QTest::newRow("emptied") << QByteArray() << "ReadFlowFile: problem reading file %1" << QSize();
    QTest::newRow("grown") << original + "xy"
                           << "ReadFlowFile(%1): file is too long" << QSize();
    QTest::newRow("rewritten larger") << numberedField(9, 8, 1000) << QString() << QSize(9, 8);
    QTest::newRow("rewritten smaller") << numberedField(2, 2, 1000) << QString() << QSize(2, 2);
}

// The window opens a flow once per load, and reads header, length and data through that one
// descriptor: whatever the file became before the open is what is read, whole, or refused.
// Never a crop of the new file at the old size, or one padded with unknown flow.
void TestFaultFiles::changedWhileTheWindowOpensIt()
{
    QFETCH(QByteArray, changed);
    QFETCH(QString, error);
    QFETCH(QSize, size);

    const QString p = path("moving.flo");
    QVERIFY(writeFile(p, numberedField(4, 3, 0)));
    Vek_Zandor w;
    openhook::arm(QFile::encodeName(p), 2, [] {});
    openByName(w, p);
    QCOMPARE(openhook::opensSeen(), 1);
    QVERIFY(showsFile(w, p, 3, 4));

    openhook::arm(QFile::encodeName(p), 1, [&] { QVERIFY(writeFile(p, changed)); });
    openByName(w, p);
    QVERIFY(openhook::changed());
    QCOMPARE(openhook::opensSeen(), 1);
    openhook::disarm();

    if (!error.isEmpty()) {
        QCOMPARE(closer->texts, QStringList({"Cann't open file " + p + " !\n" + error.arg(p)}));
        QVERIFY(!w.hasImage && !w.isFlow && !w.colorPlane && !w.flowU);
    } else {
        QCOMPARE(closer->count(), 0);
        QVERIFY(showsFile(w, p, size.height(), size.width()));
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                QCOMPARE(w.flowU[y][x], numberedU(1000, x, y));
                QCOMPARE(w.flowV[y][x], -numberedU(1000, x, y));
            }
        }
    }
    expectUsable(w);
}

void TestFaultFiles::unreadableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("flow") << "locked.flo";
    QTest::newRow("image") << "locked.png";
}

void TestFaultFiles::unreadableFile()
{
    QFETCH(QString, name);
    if (geteuid() == 0)
        QSKIP("running as root, which reads files without read permission");
    const QString p = path(name);
    QVERIFY(writeFile(p, name.endsWith("flo") ? numberedField(3, 2, 0) : pngBytes(3, 2, 0)));
    QVERIFY(QFile::setPermissions(p, QFileDevice::WriteOwner));
    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 1);
    QVERIFY(closer->texts.first().startsWith("Cann't open file " + p + " !"));
    QVERIFY(!w.hasImage);
    expectUsable(w);
}

void TestFaultFiles::notARegularFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    for (const char *suffix : {"flo", "png"}) {
        for (const char *kind : {"fifo", "directory", "dangling link", "link loop"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 named x.%2").arg(kind, suffix)))
                << QStringLiteral("x.%1").arg(suffix) << QString::fromLatin1(kind);
        }
    }
}

void TestFaultFiles::notARegularFile()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    const QString p = path(name);
    if (kind == QLatin1String("fifo")) {
        QVERIFY(makeFifo(p));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(p));
    } else if (kind == QLatin1String("dangling link")) {
        QVERIFY(makeLink(path("nowhere.flo"), p));
    } else {
        QVERIFY(makeLink(p + ".other", p));
        QVERIFY(makeLink(p, p + ".other"));
    }

    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->titles.first(), QStringLiteral("Open File Error"));
    QVERIFY2(closer->texts.first().startsWith("Cann't open file " + p + " !"),
             qPrintable(closer->texts.first()));
    QVERIFY(!w.hasImage && !w.colorPlane);
    // Stepping onto it again (the listing holds no directories, but the step reloads it).
    step(w, 0);
    QCOMPARE(closer->count(), 2);
    expectUsable(w);
}

void TestFaultFiles::awkwardNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces, flow") << "two  words .flo";
    QTest::newRow("spaces, image") << " leading space.png";
    QTest::newRow("non-ASCII, flow") << QStringLiteral("Strömung 流れ.flo");
    QTest::newRow("non-ASCII, image") << QStringLiteral("ñandú.png");
    QTest::newRow("dots and quotes") << "a.b 'c' \"d\".flo";
}

void TestFaultFiles::awkwardNames()
{
    QFETCH(QString, name);
    const bool flow = name.endsWith(".flo");
    const QString sub = path(QStringLiteral("dir ä b"));
    QVERIFY(QDir().mkdir(sub));
    const QString p = sub + "/" + name;
    const QString next = sub + (flow ? "/zz.flo" : "/zz.png");
    QVERIFY(writeFile(p, flow ? numberedField(3, 2, 7) : pngBytes(3, 2, 0x102030)));
    QVERIFY(writeFile(next, flow ? numberedField(3, 2, 0) : pngBytes(3, 2, 0)));

    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 0);
    QVERIFY(showsFile(w, p, 2, 3));
    QCOMPARE(w.dirFiles.at(w.dirIndex), name);
    if (flow)
        QCOMPARE(w.flowU[1][2], numberedU(7, 2, 1));
    else
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[1][2]), 3),
                 QByteArray("\x10\x20\x30", 3));
    // Wheel to the other file and back.
    const int own = w.dirIndex;
    const int other = int(w.dirFiles.indexOf("zz" + name.right(4)));
    step(w, own - other);
    QVERIFY(showsFile(w, next, 2, 3));
    step(w, other - own);
    QVERIFY(showsFile(w, p, 2, 3));
    QCOMPARE(closer->count(), 0);
    expectUsable(w);
}

void TestFaultFiles::undecodableName()
{
    // Bytes that are not UTF-8 are legal in a Linux file name. Qt decodes such a name with
    // replacement characters, so the window knows the file only by a path naming no file: it
    // must say so and go on.
    rawName = QFile::encodeName(dir->path()) + "/bad\xff\xfe name.flo";
    const QByteArray bytes = numberedField(3, 2, 0);
    const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        QSKIP("this file system refuses names that are not UTF-8");
    QCOMPARE(::write(fd, bytes.constData(), std::size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
    QVERIFY(writeFile(path("later.flo"), numberedField(3, 2, 0)));

    const QString decoded = QFile::decodeName(rawName);
    Vek_Zandor w;
    openByName(w, decoded);
    if (QFile::encodeName(decoded) == rawName) {
        QCOMPARE(closer->count(), 0);
        QVERIFY(showsFile(w, decoded, 2, 3));
    } else {
        QCOMPARE(closer->count(), 1);
        QVERIFY(closer->texts.first().startsWith("Cann't open file " + decoded + " !"));
        QVERIFY(!w.hasImage && !w.colorPlane);
    }
    const int later = int(w.dirFiles.indexOf("later.flo"));
    QVERIFY(later >= 0);
    step(w, w.dirIndex - later);
    QVERIFY(showsFile(w, path("later.flo"), 2, 3));
    expectUsable(w);
}

void TestFaultFiles::brokenRasterFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray png = pngBytes(64, 48, 0x336699);
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 251);
    QByteArray headerOnly = png.left(33); // signature and IHDR, no image data

    QTest::newRow("garbage named .png") << "garbage.png" << garbage;
    QTest::newRow("zero-byte .png") << "empty.png" << QByteArray();
    QTest::newRow("zero-byte .flo") << "empty.flo" << QByteArray();
    QTest::newRow("PNG cut halfway") << "half.png" << png.left(png.size() / 2);
    QTest::newRow("PNG header only") << "header.png" << headerOnly;
    QTest::newRow("PNG with a huge size in its header")
        << "huge.png"
        << QByteArray(png).replace(16, 8, QByteArray("\x00\x0f\xff\xff\x00\x0f\xff\xff", 8));
    QTest::newRow("garbage named .flo") << "garbage.flo" << garbage;
}

void TestFaultFiles::brokenRasterFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString p = path(name);
    QVERIFY(writeFile(p, bytes));
    Vek_Zandor w;
    expectUsable(w);
    openByName(w, p);
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->titles.first(), QStringLiteral("Open File Error"));
    // A garbage header may also end in the size error: " (image size error) !".
    QVERIFY2(closer->texts.first().startsWith("Cann't open file " + p + " "),
             qPrintable(closer->texts.first()));
    QVERIFY(!w.hasImage && !w.colorPlane);
    expectUsable(w);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFaultFiles)
#include "test_fault_files.moc"
