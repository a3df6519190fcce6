// The viewer with every flow format: opening by content, stepping within an extension, the
// read-out of KITTI's invalid pixels, pictures that only look like flows, and Save Flow As.

#include "dialog_driver.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "flow_saver.h"
#include "format_samples.h"
#include "modal_closer.h"
#include "tool_host.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QImage>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

QString hover(Vek_Zandor &w, QPointF pos)
{
    QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
    event.setPos(pos);
    event.setScenePos(w.leftLayer->mapToScene(pos));
    w.scene->sendEvent(w.leftLayer, &event);
    return w.statusBar()->currentMessage();
}

// A KITTI flow written by Qt's own PNG writer: u = x - 2, v = y / 2, the last column invalid.
QImage kittiImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBX64);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool valid = x < width - 1;
            image.setPixelColor(x, y,
                                QColor::fromRgba64(quint16(32768 + 64 * (x - 2)),
                                                   quint16(32768 + 32 * y), valid ? 1 : 0));
        }
    return image;
}

bool sameBits(const FloatPlane &a, const FloatPlane &b)
{
    return a.rows() == b.rows() && a.cols() == b.cols() &&
           std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
}

} // namespace

class TestFlowFormatsView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyFormatOpens_data();
    void everyFormatOpens();
    void kittiInvalidPixelsReadNan();
    void sixteenBitPictureStaysAPicture();
    void brokenFlowFilesAreReported();
    void steppingStaysWithinTheExtension();
    void saveFlowAsWritesEveryFormat_data();
    void saveFlowAsWritesEveryFormat();
    void saveFlowAsReportsWhatItCannotDo();

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ModalCloser> closer;
};

void TestFlowFormatsView::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    closer = std::make_unique<ModalCloser>();
}

void TestFlowFormatsView::cleanup()
{
    cancelFileDialogAnswer();
    closer.reset();
    dir.reset();
}

void TestFlowFormatsView::everyFormatOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    std::vector<float> rgb;
    std::vector<float> pairs;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            rgb.insert(rgb.end(), {float(x) - 2, float(y) / 2, 0});
            pairs.insert(pairs.end(), {float(x) - 2, float(y) / 2});
        }
    QTest::newRow("pfm") << "frame.pfm" << pfmBytes(5, 4, rgb, true);
    QTest::newRow("npy") << "frame.npy"
                         << npyBytes(
                                "{'descr': '<f4', 'fortran_order': False, 'shape': (4, 5, 2), }",
                                floatData(pairs, true));
}

void TestFlowFormatsView::everyFormatOpens()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = dir->filePath(name);
    QVERIFY(writeFile(path, bytes));
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path + "]");
    QCOMPARE(w.ui.imgSizeEditShow->text(), QStringLiteral("Size:5x4"));
    QCOMPARE(w.flowCutoff, 2);
    QCOMPARE(hover(w, {4.5, 3.5}), QStringLiteral("(x:4, y:3)=[2, 1.5]"));
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisibleTo(&w));
}

void TestFlowFormatsView::kittiInvalidPixelsReadNan()
{
    const QString path = dir->filePath("000000_10.png");
    QVERIFY(kittiImage(6, 3).save(path));
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.isFlow);
    QCOMPARE(hover(w, {1, 2}), QStringLiteral("(x:1, y:2)=[-1, 1]"));
    QCOMPARE(hover(w, {5, 0}), QStringLiteral("(x:5, y:0)=[nan, nan]"));
    // Unknown flow opens the slider's range to the field's larger side, as for .flo.
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 6);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(w.colorPlane[0][5]), 3), QByteArray(3, 0));
}

void TestFlowFormatsView::sixteenBitPictureStaysAPicture()
{
    QImage image(3, 2, QImage::Format_RGBX64);
    image.fill(QColor::fromRgba64(50000, 20000, 40000));
    const QString path = dir->filePath("photo.png");
    QVERIFY(image.save(path));
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.hasImage && !w.isFlow);
    const QRgb pixel = QImage(path).pixel(1, 1); // as Qt brings 16 bits down to 8
    QCOMPARE(hover(w, {1, 1}), QStringLiteral("(x:1, y:1)=[%1, %2, %3]")
                                   .arg(qRed(pixel))
                                   .arg(qGreen(pixel))
                                   .arg(qBlue(pixel)));
}

void TestFlowFormatsView::brokenFlowFilesAreReported()
{
    const QString path = dir->filePath("bad.pfm");
    QVERIFY(writeFile(path, QByteArray("Pf\n2 2\n-1\n") + QByteArray(16, 0)));
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(closer->texts, QStringList({"Cann't open file " + path + " !\n" + path +
                                         ": PFM with one channel holds no flow"}));
    QVERIFY(!w.hasImage);
}

// Stepping lists the files of the shown file's extension; ".flo5" keeps its four letters.
void TestFlowFormatsView::steppingStaysWithinTheExtension()
{
#ifndef FLOWVIEWER_TEST_HDF5
    QSKIP("built without HDF5");
#endif
    const FloatPlane u = vek_alloc_2(2, 3);
    const FloatPlane v = vek_alloc_2(2, 3);
    for (std::size_t i = 0; i < u.size(); ++i)
        u.data()[i] = v.data()[i] = float(i);
    for (const char *name : {"a.flo5", "b.flo5", "c.flo5", "b.flo", "b.npy"})
        writeFlow(*flowFormatForName(name), u, v, QFile::encodeName(dir->filePath(name)));
    Vek_Zandor w;
    openByName(w, dir->filePath("b.flo5"));
    QCOMPARE(w.dirFiles, QStringList({"a.flo5", "b.flo5", "c.flo5"}));
    QCOMPARE(w.dirIndex, 1);
    step(w, -1);
    QCOMPARE(w.filePath, dir->filePath("c.flo5"));
    QVERIFY(w.isFlow);
    openByName(w, dir->filePath("b.npy"));
    QCOMPARE(w.dirFiles, QStringList({"b.npy"}));
    QCOMPARE(closer->count(), 0);
}

void TestFlowFormatsView::saveFlowAsWritesEveryFormat_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"out.flo", "out.pfm", "out.npy", "OUT.NPY"})
        QTest::newRow(name) << name;
#ifdef FLOWVIEWER_TEST_HDF5
    QTest::newRow("out.flo5") << "out.flo5";
#endif
}

// The flow as read goes out bit for bit, whatever the cutoff shows.
void TestFlowFormatsView::saveFlowAsWritesEveryFormat()
{
    QFETCH(QString, name);
    std::vector<float> uv;
    for (int i = 0; i < 2 * 12; ++i)
        uv.push_back(i % 5 == 0 ? std::nanf("") : float(i) * 1.37f - 9.0f);
    uv[3] = 1e10f;
    const QString input = dir->filePath("in.flo");
    QVERIFY(writeFile(input, floBytes(4, 3, uv)));
    Vek_Zandor w;
    openByName(w, input);
    w.SetFlowCutoff(2);
    auto *saver = w.findChild<FlowSaver *>();
    QVERIFY(saver);
    QVERIFY(saver->action()->isEnabled());
    QVERIFY(w.toolHost()->toolBar()->actions().contains(saver->action()));
    QCOMPARE(saver->action()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));

    answerNextFileDialog(dir->filePath(name));
    saver->action()->trigger();
    QCOMPARE(closer->count(), 0);
    const FlowField back =
        *readFlow(QFile::encodeName(dir->filePath(name)).constData(), FlowRule::FloByName);
    QVERIFY(sameBits(back.u, w.flowU));
    QVERIFY(sameBits(back.v, w.flowV));
}

void TestFlowFormatsView::saveFlowAsReportsWhatItCannotDo()
{
    std::vector<float> uv = {600.0f, 0.0f, 1.0f, -700.0f};
    const QString input = dir->filePath("fast.flo");
    QVERIFY(writeFile(input, floBytes(2, 1, uv)));
    Vek_Zandor w;
    openByName(w, input);
    auto *saver = w.findChild<FlowSaver *>();

    // KITTI's range holds +-512 px: the two components beyond it are clamped, and the user told.
    answerNextFileDialog(dir->filePath("kitti.png"));
    saver->save();
    QCOMPARE(closer->count(), 0);
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("2 components clamped to KITTI's range"));

    // A suffix of no flow format.
    answerNextFileDialog(dir->filePath("flow.jpg"));
    saver->save();
    QCOMPARE(closer->titles, QStringList{"Save File Error"});
    QVERIFY(closer->texts.first().endsWith(
        ": the suffix names no flow format (.flo, .flo5, .pfm, .npy, .png)"));
    QVERIFY(!QFile::exists(dir->filePath("flow.jpg")));

    // No suffix: a .flo.
    answerNextFileDialog(dir->filePath("plain"));
    saver->save();
    QVERIFY(QFile::exists(dir->filePath("plain.flo")));

    // A picture has no flow to save.
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(dir->filePath("pic.png")));
    openByName(w, dir->filePath("pic.png"));
    QVERIFY(!saver->action()->isEnabled());
    openByName(w, input);
    QVERIFY(saver->action()->isEnabled());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFlowFormatsView)
#include "test_flow_formats_view.moc"
