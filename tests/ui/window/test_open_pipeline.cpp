#include "flo_writer.h"
#include "modal_closer.h"
#include "test_data.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QDir>
#include <QGraphicsPixmapItem>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace {

QString baseName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

class TestOpenPipeline : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void openByNameListsTheDirectory();
    void steppingMovesThroughTheListing_data();
    void steppingMovesThroughTheListing();
    void fourLetterExtension();
    void upperCaseFloIsARasterImage();
    void sliderRangeFromTheData_data();
    void sliderRangeFromTheData();
    void successSetsTitleSizeAndPanel();
    void failureLeavesTheScreenAlone();
    void reloadKeepsThePictureWhenTheFileFails();
    void reloadShowsTheNewFileWithTheViewKept();
    void readerErrorsAreShown_data();
    void readerErrorsAreShown();
    void hugeHeaderAllocatesNothing();
    void specialFilesAreNeverOpened();
    void allocationFailureIsShown();
    void rasterPixelsInRgbOrder();
    void oversizedImageIsRefused();
    void nonAsciiNamesOpen();
    void sintelOpensEndToEnd();

private:
    QTemporaryDir *dir = nullptr;
    QString path(const QString &name) const { return dir->filePath(name); }
    ModalCloser *closer = nullptr;

private slots:
    void cleanup();
};

void TestOpenPipeline::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    for (const char *name : {"a.flo", "b.flo", "c.flo", "d.flo", "e.flo"})
        QVERIFY(writeFile(path(name), floBytesFilled(4, 3, 1.0f, -2.0f)));
    QVERIFY(QDir(dir->path()).mkdir("sub.flo"));
    QImage img(5, 2, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    QVERIFY(img.save(path("pic.png")));
}

void TestOpenPipeline::cleanup()
{
    delete closer;
    closer = nullptr;
    delete dir;
    dir = nullptr;
}

void TestOpenPipeline::openByNameListsTheDirectory()
{
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.dirPath, QDir(dir->path()).absolutePath());
    // Directories never enter the listing, even with a matching name.
    QCOMPARE(w.dirFiles, QStringList({"a.flo", "b.flo", "c.flo", "d.flo", "e.flo"}));
    QCOMPARE(w.dirIndex, 2);
    QCOMPARE(closer->count(), 0);
}

void TestOpenPipeline::steppingMovesThroughTheListing_data()
{
    QTest::addColumn<int>("notches");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("index");
    QTest::newRow("one back") << 1 << "b.flo" << 1;
    QTest::newRow("one on") << -1 << "d.flo" << 3;
    QTest::newRow("three back is past the start") << 3 << "c.flo" << 2;
    QTest::newRow("two back") << 2 << "a.flo" << 0;
    QTest::newRow("zero reloads") << 0 << "c.flo" << 2;
    QTest::newRow("past the end") << -3 << "c.flo" << 2;
}

void TestOpenPipeline::steppingMovesThroughTheListing()
{
    QFETCH(int, notches);
    QFETCH(QString, shown);
    QFETCH(int, index);
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    const QString title = w.windowTitle();
    step(w, notches);
    QCOMPARE(baseName(w.filePath), shown);
    QCOMPARE(w.dirIndex, index);
    QVERIFY(w.hasImage && w.isFlow && w.browseByStep);
    QCOMPARE(w.windowTitle() == title, shown == QLatin1String("c.flo"));
}

void TestOpenPipeline::fourLetterExtension()
{
    QImage img(3, 3, QImage::Format_RGB32);
    img.fill(Qt::red);
    QVERIFY(img.save(path("x.jpeg"), "JPEG"));
    QVERIFY(img.save(path("a.peg"), "PNG"));
    Vek_Zandor w;
    openByName(w, path("x.jpeg"));
    QVERIFY(w.hasImage && !w.isFlow);
    QCOMPARE(w.dirFiles, QStringList({"a.peg"}));
    QCOMPARE(w.dirIndex, -1);
    step(w, -1);
    QCOMPARE(baseName(w.filePath), QStringLiteral("a.peg"));
    QCOMPARE(w.dirIndex, 0);
}

void TestOpenPipeline::upperCaseFloIsARasterImage()
{
    QVERIFY(writeFile(path("x.FLO"), floBytesFilled(2, 2, 0, 0)));
    Vek_Zandor w;
    openByName(w, path("x.FLO"));
    QVERIFY(!w.hasImage);
    QCOMPARE(closer->texts, QStringList({"Cann't open file " + path("x.FLO") + " !"}));
    QCOMPARE(closer->titles.first(), QStringLiteral("Open File Error"));
}

void TestOpenPipeline::sliderRangeFromTheData_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::addColumn<float>("u");
    QTest::addColumn<float>("v");
    QTest::addColumn<int>("range");
    QTest::newRow("all zero") << 0.0f << 0.0f << 0;
    QTest::newRow("negative wins") << -3.2f << 2.5f << 4;
    QTest::newRow("exact integer") << 5.0f << -1.0f << 5;
    QTest::newRow("unknown marker") << 1e10f << 0.0f << 6;
    QTest::newRow("not a number") << nan << 0.5f << 6;
    QTest::newRow("infinity") << 0.0f << -inf << 6;
}

void TestOpenPipeline::sliderRangeFromTheData()
{
    QFETCH(float, u);
    QFETCH(float, v);
    QFETCH(int, range);
    // A 6 x 4 field of small vectors with one special vector in the middle.
    std::vector<float> uv(6 * 4 * 2, 0.0f);
    uv[2 * 9] = u;
    uv[2 * 9 + 1] = v;
    QVERIFY(writeFile(path("r.flo"), floBytes(6, 4, uv)));
    Vek_Zandor w;
    openByName(w, path("r.flo"));
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), range);
    QCOMPARE(w.flowCutoff, range);
    // The flow as read is kept unchanged for the read-out.
    QCOMPARE(std::isnan(w.flowU[1][3]), std::isnan(u));
    if (!std::isnan(u))
        QCOMPARE(w.flowU[1][3], u);
}

void TestOpenPipeline::successSetsTitleSizeAndPanel()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("a.flo"));
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path("a.flo") + "]");
    QCOMPARE(w.ui.imgSizeEditShow->text(), QStringLiteral("Size:4x3"));
    QVERIFY(w.ui.actionSetMode_Viewing_Optical_Flow->isChecked());
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisible());
    QCOMPARE(w.viewImage.size(), QSize(4, 3));
    QCOMPARE(w.viewImage.constBits(), w.colorPlane.data());

    openByName(w, path("pic.png"));
    QCOMPARE(w.ui.imgSizeEditShow->text(), QStringLiteral("Size:5x2"));
    QVERIFY(!w.ui.actionSetMode_Viewing_Optical_Flow->isChecked());
    QVERIFY(!w.ui.dockWidget_FlowPanel->isVisible());
    QVERIFY(!w.isFlow && w.hasImage);
}

void TestOpenPipeline::failureLeavesTheScreenAlone()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    const QString title = w.windowTitle();
    const qint64 pixmapKey = w.leftLayer->pixmap().cacheKey();
    QVERIFY(writeFile(path("bad.flo"), QByteArray("PIEH")));
    openByName(w, path("bad.flo"));
    QCOMPARE(closer->count(), 1);
    QVERIFY(!w.hasImage && !w.isFlow);
    QVERIFY(!w.colorPlane && !w.flowU && !w.clampedV && !w.dimYPlane);
    QVERIFY(w.viewImage.isNull()); // it wrapped the released colour plane
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.ui.imgSizeEditShow->text(), QStringLiteral("Size:4x3"));
    QVERIFY(w.ui.actionSetMode_Viewing_Optical_Flow->isChecked());
    QCOMPARE(w.leftLayer->pixmap().cacheKey(), pixmapKey);
    QCOMPARE(w.filePath, path("bad.flo"));

    // The cutoff widgets still work without touching released planes.
    w.ui.spinBox_FlowCutoffVal->setValue(2);
    openByName(w, path("b.flo"));
    QVERIFY(w.hasImage && w.isFlow);
}

// The reload that live reload and F5 build on: a file caught half-written leaves everything
// on screen alive, the planes included, shows no box, and hands back the reader's message.
void TestOpenPipeline::reloadKeepsThePictureWhenTheFileFails()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    const float u = w.flowU[2][3];
    const QString title = w.windowTitle();
    const qint64 pixmapKey = w.leftLayer->pixmap().cacheKey();
    const std::uint8_t *colours = w.colorPlane.data();

    const QByteArray whole = floBytesFilled(4, 3, 7.0f, 1.0f);
    QVERIFY(writeFile(path("a.flo"), whole.left(30)));
    QCOMPARE(w.document()->reload(), "ReadFlowFile(" + path("a.flo") + "): file is too short");
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.colorPlane.data(), colours);
    QCOMPARE(w.flowU[2][3], u);
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.leftLayer->pixmap().cacheKey(), pixmapKey);
    QVERIFY(w.ui.actionSave_As->isEnabled());

    QVERIFY(writeFile(path("a.flo"), whole));
    QCOMPARE(w.document()->reload(), QString());
    QCOMPARE(w.flowU[2][3], 7.0f);

    // After a failed open the old picture is still on screen: a reload brings it back alive.
    QVERIFY(writeFile(path("bad.flo"), QByteArray("PIEH")));
    openByName(w, path("bad.flo"));
    QCOMPARE(closer->count(), 1);
    QVERIFY(!w.hasImage && !w.ui.actionSave_As->isEnabled());
    QCOMPARE(w.document()->shownPath(), path("a.flo"));
    QCOMPARE(w.document()->reload(), QString());
    QVERIFY(w.hasImage && w.ui.actionSave_As->isEnabled());
    QCOMPARE(w.filePath, path("a.flo"));
    QCOMPARE(w.dirFiles.at(w.dirIndex), QStringLiteral("a.flo"));
}

// A successful reload replaces the picture and keeps how it is looked at: the zoom, the
// channel view and the cutoff in effect, as if Keep were set for this one load.
void TestOpenPipeline::reloadShowsTheNewFileWithTheViewKept()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    w.ZoomIn();
    const QTransform zoom = w.ui.graphicsView->transform();
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    w.ui.spinBox_FlowCutoffVal->setValue(3);
    QVERIFY(writeFile(path("a.flo"), floBytesFilled(6, 5, 40.0f, -2.0f)));

    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    QCOMPARE(w.document()->reload(), QString());
    QCOMPARE(passes.count(), 1);
    QCOMPARE(w.rows, 5);
    QCOMPARE(w.cols, 6);
    QCOMPARE(w.flowU[4][5], 40.0f);
    QCOMPARE(w.flowCutoff, 3);
    QCOMPARE(w.clampedU[4][5], 3.0f);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 3);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 6); // 40 clamped to the larger side
    QVERIFY(w.rightLayer->isVisible());
    QCOMPARE(w.leftLayer->pixmap().size(), QSize(6, 5));
    QCOMPARE(w.ui.graphicsView->transform(), zoom);
    QCOMPARE(w.ui.imgSizeEditShow->text(), QStringLiteral("Size:6x5"));
    QCOMPARE(closer->count(), 0);
}

void TestOpenPipeline::readerErrorsAreShown_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("suffix");
    const QByteArray good = floBytesFilled(3, 2, 1, 1);
    QTest::newRow("size error") << floBytes(0, 5, {}) << " (image size error) !";
    QTest::newRow("negative height") << floBytes(3, -1, {}) << " (image size error) !";
    QTest::newRow("short header") << good.left(11) << " !\nReadFlowFile: problem reading file %1";
    QTest::newRow("wrong tag") << floBytes(3, 2, std::vector<float>(12), 1.0f)
                               << " !\nReadFlowFile(%1): wrong tag (possibly due to big-endian "
                                  "machine?)";
    QTest::newRow("illegal width")
        << floBytes(100000, 2, {}) << " !\nReadFlowFile(%1): illegal width 100000";
    QTest::newRow("too short") << good.left(good.size() - 1)
                               << " !\nReadFlowFile(%1): file is too short";
    QTest::newRow("too long") << good + 'x' << " !\nReadFlowFile(%1): file is too long";
}

void TestOpenPipeline::readerErrorsAreShown()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, suffix);
    const QString p = path("broken.flo");
    QVERIFY(writeFile(p, bytes));
    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->titles.first(), QStringLiteral("Open File Error"));
    const QString expected =
        "Cann't open file " + p + (suffix.contains("%1") ? suffix.arg(p) : suffix);
    QCOMPARE(closer->texts.first(), expected);
    QVERIFY(!w.hasImage && !w.isFlow && !w.colorPlane && !w.flowU);
}

void TestOpenPipeline::hugeHeaderAllocatesNothing()
{
    // 50000 x 50000 would ask for 70 GB of planes: the length check stops it first.
    const QString p = path("huge.flo");
    QVERIFY(writeFile(p, floBytes(50000, 50000, {})));
    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->texts, QStringList({"Cann't open file " + p + " !\nReadFlowFile(" + p +
                                         "): file is too short"}));
    QVERIFY(!w.colorPlane && !w.flowU);
    QCOMPARE(w.rows, 50000);
}

void TestOpenPipeline::specialFilesAreNeverOpened()
{
    // Opening a FIFO blocks until a writer comes: it must be refused unopened.
    QVERIFY(mkfifo(QFile::encodeName(path("pipe.flo")).constData(), 0600) == 0);
    QVERIFY(mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600) == 0);
    QVERIFY(QDir(dir->path()).mkdir("folder.png"));
    Vek_Zandor w;
    openByName(w, path("pipe.flo"));
    openByName(w, path("pipe.png"));
    openByName(w, path("sub.flo"));
    openByName(w, path("folder.png"));
    QCOMPARE(closer->count(), 4);
    QVERIFY(closer->texts.at(0).startsWith("Cann't open file " + path("pipe.flo") +
                                           " !\nReadFlowFile: could not open"));
    QCOMPARE(closer->texts.at(1), "Cann't open file " + path("pipe.png") + " !");
    QVERIFY(closer->texts.at(2).contains("could not open"));
    QCOMPARE(closer->texts.at(3), "Cann't open file " + path("folder.png") + " !");
    openByName(w, path("a.flo"));
    QVERIFY(w.hasImage);
}

// Total memory and swap in bytes, from /proc/meminfo.
static qint64 memoryAndSwap()
{
    QFile f("/proc/meminfo");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    qint64 kb = 0;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines)
        if (line.startsWith("MemTotal:") || line.startsWith("SwapTotal:"))
            kb += line.simplified().split(' ').value(1).toLongLong();
    return kb * 1024;
}

void TestOpenPipeline::allocationFailureIsShown()
{
    // A well-formed 99999 x 99999 flow, sparse on disk, whose first plane alone (28 GiB) is
    // more than this machine can ever give: the window must report it and go on.
    const qint64 firstPlane = qint64(99999) * 99999 * 3;
    if (memoryAndSwap() <= 0 || memoryAndSwap() >= firstPlane)
        QSKIP("this machine could satisfy the allocation");
    QFile overcommit("/proc/sys/vm/overcommit_memory");
    if (!overcommit.open(QIODevice::ReadOnly) || overcommit.readAll().trimmed() != "0")
        QSKIP("only the kernel's heuristic overcommit refuses such a request up front");
    const QString p = path("giant.flo");
    QVERIFY(writeFile(p, floBytes(99999, 99999, {})));
    QVERIFY(QFile::resize(p, 12 + qint64(8) * 99999 * 99999));

    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->texts.first(),
             "Cann't open file " + p + " !\nvek_alloc_3(): memory allocation (28609 MB) failed.");
    QVERIFY(!w.hasImage && !w.colorPlane && !w.dimXPlane && !w.flowU);
    openByName(w, path("a.flo"));
    QVERIFY(w.hasImage);
}

void TestOpenPipeline::rasterPixelsInRgbOrder()
{
    QImage rgb(3, 2, QImage::Format_ARGB32);
    rgb.fill(qRgba(255, 128, 0, 255));
    rgb.setPixel(1, 1, qRgba(1, 2, 3, 255));
    QVERIFY(rgb.save(path("rgb.png")));
    QImage grey(2, 2, QImage::Format_Grayscale8);
    grey.fill(77);
    QVERIFY(grey.save(path("grey.pgm")));
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(9, 8, 7), qRgb(200, 100, 50)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    QVERIFY(indexed.save(path("indexed.bmp")));

    Vek_Zandor w;
    openByName(w, path("rgb.png"));
    QCOMPARE(w.rows, 2);
    QCOMPARE(w.cols, 3);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[0][0]), 3),
             QByteArray("\xff\x80\x00", 3));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[1][1]), 3),
             QByteArray("\x01\x02\x03", 3));
    openByName(w, path("grey.pgm"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[1][1]), 3),
             QByteArray("MMM", 3));
    openByName(w, path("indexed.bmp"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[0][0]), 6),
             QByteArray("\xc8\x64\x32\x09\x08\x07", 6));
    QCOMPARE(closer->count(), 0);
}

void TestOpenPipeline::oversizedImageIsRefused()
{
    // A PGM header is enough for the reader to learn the size without any pixel data.
    QVERIFY(writeFile(path("wide.pgm"), QByteArray("P5\n16385 1\n255\n") + QByteArray(16385, 'a')));
    QVERIFY(writeFile(path("ok.pgm"), QByteArray("P5\n16384 1\n255\n") + QByteArray(16384, 'a')));
    Vek_Zandor w;
    openByName(w, path("wide.pgm"));
    QCOMPARE(closer->texts, QStringList({"Cann't open file " + path("wide.pgm") + " !"}));
    openByName(w, path("ok.pgm"));
    QVERIFY(w.hasImage);
    QCOMPARE(w.cols, 16384);
}

void TestOpenPipeline::nonAsciiNamesOpen()
{
    const QString p = path(QStringLiteral("flüsse ß.flo"));
    QVERIFY(writeFile(p, floBytesFilled(2, 2, 3, 4)));
    Vek_Zandor w;
    openByName(w, p);
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.flowU[1][1], 3.0f);
}

void TestOpenPipeline::sintelOpensEndToEnd()
{
    const QString data = sharedDataDir();
    if (data.isEmpty())
        QSKIP("../shared/data is absent; the real Sintel flow is not checked");
    Vek_Zandor w;
    openByName(w, data + "/sintel_alley_frame_0002.flo");
    QCOMPARE(closer->count(), 0);
    QCOMPARE(w.cols, 1024);
    QCOMPARE(w.rows, 436);
    // Components span -10.64..4.63, so the cutoff starts at 11.
    QCOMPARE(w.flowCutoff, 11);
    QCOMPARE(w.leftLayer->pixmap().size(), QSize(1024, 436));
    QVERIFY(w.dirFiles.contains("sintel_alley_frame_0002.flo"));
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestOpenPipeline)
#include "test_open_pipeline.moc"
