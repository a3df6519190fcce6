// Blending the colour view over the frame the flow belongs to: the opacity's ends, the frame
// that follows the flows stepped through, the pauses, and the refusals.

#include "dialog_driver.h"
#include "flo_writer.h"
#include "flow_tools.h"
#include "frame_blend.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QDir>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 36;

// A frame of one colour with a diagonal so that every pixel tells where it is.
QImage frameImage(QColor colour, int width = kWidth, int height = kHeight)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, x == y ? QColor(Qt::black) : colour);
    return image;
}

QByteArray turning(float speed)
{
    std::vector<float> uv;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uv.push_back(speed * float(y - kHeight / 2));
            uv.push_back(-speed * float(x - kWidth / 2));
        }
    return floBytes(kWidth, kHeight, uv);
}

// The picture as the view shows it at one picture pixel per screen pixel.
QImage shownPicture(Vek_Zandor &w)
{
    FlowView *view = w.ui.graphicsView;
    const QImage port = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = view->mapFromScene(QPointF(0, 0));
    return port.copy(QRect(origin, QSize(w.cols, w.rows)));
}

QImage colourView(const Vek_Zandor &w)
{
    return QImage(w.colorPlane.data(), w.cols, w.rows, w.colorPlane.bytesPerLine(),
                  QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestFrameBlend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opacityEndsShowTheFrameAndTheColourView();
    void chosenThroughTheDialog();
    void followsByName();
    void followsByPosition();
    void pausesWithoutAFrameAndComesBack();
    void mismatchedFrameIsRefused();
    void channelViewAndSaveStayPlain();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestFrameBlend::init()
{
    QSettings().clear();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    QVERIFY(QDir(dir->path()).mkpath("flows") && QDir(dir->path()).mkpath("frames"));
    QVERIFY(writeFile(path("flows/a.flo"), turning(0.5f)));
    QVERIFY(writeFile(path("flows/b.flo"), turning(1.0f)));
    QVERIFY(writeFile(path("flows/c.flo"), turning(1.5f)));
}

void TestFrameBlend::cleanup()
{
    delete closer;
    delete dir;
}

void TestFrameBlend::opacityEndsShowTheFrameAndTheColourView()
{
    const QImage frame = frameImage(QColor(40, 90, 200));
    QVERIFY(frame.save(path("frames/a.png")));
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("flows/a.flo"));
    w.ZoomOriginal();
    FrameBlend *blend = w.flowTools()->blend();
    QCOMPARE(blend->opacity(), 50);
    QVERIFY(blend->blendWith(path("frames/a.png")));
    QVERIFY(blend->isOn() && !blend->isPaused());
    QVERIFY(blend->group()->isVisibleTo(w.ui.dockWidget_FlowPanel));

    blend->setOpacity(0);
    QCOMPARE(shownPicture(w), frame.convertToFormat(QImage::Format_RGB32));
    blend->setOpacity(100);
    QCOMPARE(shownPicture(w), colourView(w));
    // Between, each pixel lies between the two.
    blend->setOpacity(50);
    const QImage half = shownPicture(w);
    const QImage colour = colourView(w);
    const QColor mixed = half.pixelColor(30, 5);
    const QColor top = colour.pixelColor(30, 5);
    QVERIFY(std::abs(mixed.red() - (40 + top.red()) / 2) <= 2);
    QVERIFY(std::abs(mixed.blue() - (200 + top.blue()) / 2) <= 2);
    QCOMPARE(blend->group()->findChild<QLabel *>("blendPercent")->text(), QStringLiteral("50 %"));
    QCOMPARE(QSettings().value("blend/opacity").toInt(), 50);

    blend->stop();
    QVERIFY(!blend->frameItem());
    QCOMPARE(w.leftLayer->opacity(), 1.0);
    QCOMPARE(shownPicture(w), colourView(w));
}

void TestFrameBlend::chosenThroughTheDialog()
{
    QVERIFY(frameImage(Qt::red).save(path("frames/a.png")));
    Vek_Zandor w;
    QAction *action = w.flowTools()->blend()->action();
    QVERIFY(!action->isEnabled()); // no flow yet
    openByName(w, path("flows/a.flo"));
    QVERIFY(action->isEnabled());
    QCOMPARE(action->shortcut(), QKeySequence("Ctrl+B"));
    answerNextFileDialog(path("frames/a.png"));
    action->trigger();
    QCOMPARE(lastFileDialogCaption(), QStringLiteral("Blend with Frame"));
    QCOMPARE(w.flowTools()->blend()->framePath(), path("frames/a.png"));
    // A cancelled dialog leaves blending as it was.
    answerNextFileDialog(QString());
    action->trigger();
    QCOMPARE(w.flowTools()->blend()->framePath(), path("frames/a.png"));
}

void TestFrameBlend::followsByName()
{
    QVERIFY(frameImage(Qt::red).save(path("frames/a.png")));
    QVERIFY(frameImage(Qt::green).save(path("frames/b.jpg")));
    QVERIFY(frameImage(Qt::blue).save(path("frames/c.png")));
    QVERIFY(frameImage(Qt::yellow).save(path("frames/0000.png"))); // first by position
    Vek_Zandor w;
    openByName(w, path("flows/a.flo"));
    FrameBlend *blend = w.flowTools()->blend();
    QVERIFY(blend->blendWith(path("frames/a.png")));
    step(w, -1);
    QCOMPARE(blend->framePath(), QDir(path("frames")).filePath("b.jpg"));
    step(w, -1);
    QCOMPARE(blend->framePath(), QDir(path("frames")).filePath("c.png"));
    QCOMPARE(blend->frameItem()->pixmap().toImage().pixelColor(5, 1), QColor(Qt::blue));
    step(w, 2);
    QCOMPARE(blend->framePath(), QDir(path("frames")).filePath("a.png"));
}

void TestFrameBlend::followsByPosition()
{
    for (int i = 0; i < 3; ++i)
        QVERIFY(frameImage(QColor(i * 100, 50, 50)).save(path("frames/img%1.ppm").arg(i)));
    Vek_Zandor w;
    openByName(w, path("flows/a.flo"));
    FrameBlend *blend = w.flowTools()->blend();
    QVERIFY(blend->blendWith(path("frames/img0.ppm")));
    step(w, -1);
    QCOMPARE(blend->framePath(), QDir(path("frames")).filePath("img1.ppm"));
    step(w, -1);
    QCOMPARE(blend->framePath(), QDir(path("frames")).filePath("img2.ppm"));
    QCOMPARE(blend->frameItem()->pixmap().toImage().pixelColor(5, 1), QColor(200, 50, 50));
}

void TestFrameBlend::pausesWithoutAFrameAndComesBack()
{
    QVERIFY(frameImage(Qt::red).save(path("frames/0.png")));
    QVERIFY(frameImage(Qt::green, kWidth + 1, kHeight).save(path("frames/b.png")));
    Vek_Zandor w;
    openByName(w, path("flows/a.flo"));
    FrameBlend *blend = w.flowTools()->blend();
    QVERIFY(blend->blendWith(path("frames/0.png")));
    // b.png has b's name but not its size.
    step(w, -1);
    QVERIFY(blend->isOn() && blend->isPaused());
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("Blending paused: b.png is 49 x 36, the flow 48 x 36"));
    QVERIFY(!blend->frameItem()->isVisible());
    QCOMPARE(w.leftLayer->opacity(), 1.0);
    // Nothing for c by name, and the listing of .png has no third entry.
    step(w, -1);
    QVERIFY(blend->isPaused());
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("Blending paused: no frame for c.flo"));
    QCOMPARE(blend->group()->findChild<QLabel *>("blendFrame")->text(),
             QStringLiteral("Paused: no frame for c.flo"));
    // Back at a: the listing's first .png.
    step(w, 2);
    QVERIFY(!blend->isPaused());
    QVERIFY(blend->frameItem()->isVisible());
    QCOMPARE(w.leftLayer->opacity(), 0.5);
    QCOMPARE(closer->count(), 0);
}

void TestFrameBlend::mismatchedFrameIsRefused()
{
    QVERIFY(frameImage(Qt::red).save(path("frames/a.png")));
    QVERIFY(frameImage(Qt::green, kWidth, kHeight + 2).save(path("frames/tall.png")));
    QVERIFY(writeFile(path("frames/broken.png"), "not a picture"));
    Vek_Zandor w;
    openByName(w, path("flows/a.flo"));
    FrameBlend *blend = w.flowTools()->blend();
    QVERIFY(blend->blendWith(path("frames/a.png")));
    QVERIFY(!blend->blendWith(path("frames/tall.png")));
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->titles.first(), QStringLiteral("Blend with Frame"));
    QVERIFY(closer->texts.first().contains("48 x 38 pixels, the flow 48 x 36"));
    QVERIFY(!blend->isOn());
    QVERIFY(!blend->frameItem());
    QCOMPARE(w.leftLayer->opacity(), 1.0);
    QVERIFY(!blend->blendWith(path("frames/broken.png")));
    QCOMPARE(closer->count(), 2);
    QVERIFY(!blend->isOn());
}

// Only the colour view blends, and Save As writes it plain.
void TestFrameBlend::channelViewAndSaveStayPlain()
{
    QVERIFY(frameImage(Qt::red).save(path("frames/a.png")));
    Vek_Zandor w;
    openByName(w, path("flows/a.flo"));
    const QImage before = colourView(w);
    FrameBlend *blend = w.flowTools()->blend();
    QVERIFY(blend->blendWith(path("frames/a.png")));
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QVERIFY(!blend->frameItem()->isVisible());
    QCOMPARE(w.leftLayer->opacity(), 1.0);
    w.ui.checkBox_ShowIndividualDim->setChecked(false);
    QVERIFY(blend->frameItem()->isVisible());
    QCOMPARE(w.leftLayer->opacity(), 0.5);

    answerNextFileDialog(path("saved.png"));
    w.SaveFileAction();
    QCOMPARE(QImage(path("saved.png")).convertToFormat(QImage::Format_RGB32), before);
    QCOMPARE(colourView(w), before);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFrameBlend)
#include "test_frame_blend.moc"
