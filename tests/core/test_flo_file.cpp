// A .flo file read through one descriptor while another program replaces or rewrites it
// between the header and the data, as a training run does with the flows it writes.

#include "cerror_text.h"
#include "flo_file.h"
#include "flo_writer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QString kNoError = QStringLiteral("(no error)");

bool holdsField(const FloatPlane &u, const FloatPlane &v, int width, int height, float base)
{
    if (u.cols() != width || u.rows() != height)
        return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (u[y][x] != numberedU(base, x, y) || v[y][x] != -u[y][x])
                return false;
    return true;
}

// The file's modification time moved back by a minute: the clock behind file times ticks
// coarsely, and a test that rewrites a file within one tick must not depend on it.
bool backdate(const QByteArray &path)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return false;
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    times[1].tv_sec -= 60;
    return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

} // namespace

class TestFloFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void replacedByRenameIsReadWholeAsOpened();
    void rewrittenInPlaceIsRefused_data();
    void rewrittenInPlaceIsRefused();
    void readFlowFieldChecksBeforeAllocating_data();
    void readFlowFieldChecksBeforeAllocating();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    QByteArray local;
};

void TestFloFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    path = dir->filePath("run.flo");
    local = QFile::encodeName(path);
    QVERIFY(writeFile(path, numberedField(4, 3, 0)));
}

void TestFloFile::replacedByRenameIsReadWholeAsOpened()
{
    FloFile file(local.constData());
    file.readHeader();
    file.checkHeader();
    file.checkLength();

    // The new version, of another size, takes the name as a writer's rename does.
    const QString next = dir->filePath("run.flo.tmp");
    QVERIFY(writeFile(next, numberedField(9, 8, 1000)));
    QVERIFY(::rename(QFile::encodeName(next).constData(), local.constData()) == 0);

    const FloatPlane u = vek_alloc_2(file.height(), file.width());
    const FloatPlane v = vek_alloc_2(file.height(), file.width());
    file.readPlanes(u, v);
    QVERIFY(holdsField(u, v, 4, 3, 0));

    // And the next open reads the new one whole.
    const FlowField field = readFlowField(local.constData());
    QVERIFY(holdsField(field.u, field.v, 9, 8, 1000));
}

void TestFloFile::rewrittenInPlaceIsRefused_data()
{
    QTest::addColumn<QByteArray>("rewritten");
    QTest::addColumn<QString>("error"); // %1 is the path
    const QByteArray original = numberedField(4, 3, 0);
    QTest::newRow("cut") << original.left(40) << "ReadFlowFile(%1): file is too short";
    QTest::newRow("grown") << original + "xy"
                           << "ReadFlowFile(%1): file is too long";
    QTest::newRow("same length, new data")
        << numberedField(4, 3, 500) << "ReadFlowFile(%1): file changed while being read";
    QTest::newRow("another size of the same length")
        << numberedField(3, 4, 500) << "ReadFlowFile(%1): file changed while being read";
}

void TestFloFile::rewrittenInPlaceIsRefused()
{
    QFETCH(QByteArray, rewritten);
    QFETCH(QString, error);
    FloFile file(local.constData());
    file.readHeader();
    file.checkHeader();
    file.checkLength();
    QVERIFY(writeFile(path, rewritten));
    QVERIFY(backdate(local));

    const FloatPlane u = vek_alloc_2(3, 4);
    const FloatPlane v = vek_alloc_2(3, 4);
    QCOMPARE(cerrorText([&] { file.readPlanes(u, v); }), error.arg(path));
}

void TestFloFile::readFlowFieldChecksBeforeAllocating_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray good = numberedField(4, 3, 0);
    QTest::newRow("whole") << good << kNoError;
    QTest::newRow("a huge header on a short file")
        << floBytes(99999, 99999, {}) << "ReadFlowFile(%1): file is too short";
    QTest::newRow("wrong tag") << QByteArray("XXXX") + good.mid(4)
                               << "ReadFlowFile(%1): wrong tag (possibly due to big-endian "
                                  "machine?)";
    QTest::newRow("width 0") << floBytes(0, 3, {}) << "ReadFlowFile(%1): illegal width 0";
    QTest::newRow("short header") << good.left(7) << "ReadFlowFile: problem reading file %1";
    QTest::newRow("long") << good + 'x' << "ReadFlowFile(%1): file is too long";
}

void TestFloFile::readFlowFieldChecksBeforeAllocating()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QVERIFY(writeFile(path, bytes));
    QCOMPARE(cerrorText([&] { readFlowField(local.constData()); }),
             error == kNoError ? error : error.arg(path));
}

QTEST_APPLESS_MAIN(TestFloFile)
#include "test_flo_file.moc"
