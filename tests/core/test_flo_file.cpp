// A .flo file read through one descriptor while another program replaces or rewrites it
// between the header and the data, as a training run does with the flows it writes; read by
// one thread and by two at once, each at its own offsets.

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
    void replacedByRenameIsReadWholeAsOpened_data();
    void replacedByRenameIsReadWholeAsOpened();
    void rewrittenInPlaceIsRefused_data();
    void rewrittenInPlaceIsRefused();

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

namespace {

// One thread, or two on bands of any size (the file's three rows split 1 + 2).
void addBandColumn()
{
    QTest::addColumn<int>("bands");
}

BandPlan bandPlan(int bands)
{
    return BandPlan{bands, 1};
}

} // namespace

void TestFloFile::replacedByRenameIsReadWholeAsOpened_data()
{
    addBandColumn();
    QTest::newRow("one thread") << 1;
    QTest::newRow("two threads") << 2;
}

void TestFloFile::replacedByRenameIsReadWholeAsOpened()
{
    QFETCH(int, bands);
    FloFile file(local.constData());
    file.readCheckedHeader();

    // The new version, of another size, takes the name as a writer's rename does.
    const QString next = dir->filePath("run.flo.tmp");
    QVERIFY(writeFile(next, numberedField(9, 8, 1000)));
    QVERIFY(::rename(QFile::encodeName(next).constData(), local.constData()) == 0);

    const FloatPlane u = vek_alloc_2(file.height(), file.width());
    const FloatPlane v = vek_alloc_2(file.height(), file.width());
    FloReadBuffer buffer;
    file.readPlanes(u, v, &buffer, bandPlan(bands));
    QVERIFY(holdsField(u, v, 4, 3, 0));

    // And the next open reads the new one whole, also through the same buffer, and a part of
    // it into smaller planes.
    FloFile renamed(local.constData());
    renamed.readCheckedHeader();
    const FloatPlane u2 = vek_alloc_2(8, 9);
    const FloatPlane v2 = vek_alloc_2(8, 9);
    renamed.readPlanes(u2, v2, &buffer, bandPlan(bands));
    QVERIFY(holdsField(u2, v2, 9, 8, 1000));
    FloFile part(local.constData());
    part.readHeader();
    const FloatPlane u3 = vek_alloc_2(5, 4);
    const FloatPlane v3 = vek_alloc_2(5, 4);
    part.readPlanes(u3, v3, 5, 4, nullptr, bandPlan(bands));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x)
            QVERIFY(u3[y][x] == numberedU(1000, x, y) && v3[y][x] == -u3[y][x]);
}

void TestFloFile::rewrittenInPlaceIsRefused_data()
{
    QTest::addColumn<QByteArray>("rewritten");
    QTest::addColumn<QString>("error"); // %1 is the path
    addBandColumn();
    const QByteArray original = numberedField(4, 3, 0);
    for (int bands : {1, 2}) {
        QTest::addRow("cut, %d bands", bands)
            << original.left(40) << "ReadFlowFile(%1): file is too short" << bands;
        // The first band's rows whole, the second's not.
        QTest::addRow("cut in the last row, %d bands", bands)
            << original.left(original.size() - 8) << "ReadFlowFile(%1): file is too short" << bands;
        QTest::addRow("grown, %d bands", bands) << original + "xy"
                                                << "ReadFlowFile(%1): file is too long" << bands;
        QTest::addRow("same length, new data, %d bands", bands)
            << numberedField(4, 3, 500) << "ReadFlowFile(%1): file changed while being read"
            << bands;
        QTest::addRow("another size of the same length, %d bands", bands)
            << numberedField(3, 4, 500) << "ReadFlowFile(%1): file changed while being read"
            << bands;
    }
}

void TestFloFile::rewrittenInPlaceIsRefused()
{
    QFETCH(QByteArray, rewritten);
    QFETCH(QString, error);
    QFETCH(int, bands);
    FloFile file(local.constData());
    file.readCheckedHeader();
    QVERIFY(writeFile(path, rewritten));
    QVERIFY(backdate(local));

    const FloatPlane u = vek_alloc_2(3, 4);
    const FloatPlane v = vek_alloc_2(3, 4);
    QCOMPARE(cerrorText([&] { file.readPlanes(u, v, nullptr, bandPlan(bands)); }), error.arg(path));
}

QTEST_APPLESS_MAIN(TestFloFile)
#include "test_flo_file.moc"
