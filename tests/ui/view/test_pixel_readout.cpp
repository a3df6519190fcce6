#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "wheel_notches.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneWheelEvent>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString hover(Vek_Zandor &w, QGraphicsPixmapItem *layer, QPointF pos)
{
    QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
    event.setPos(pos);
    event.setScenePos(layer->mapToScene(pos));
    w.scene->sendEvent(layer, &event);
    return w.statusBar()->currentMessage();
}

// Returns whether the event was taken, so that the view would not also scroll.
bool wheel(Vek_Zandor &w, QGraphicsPixmapItem *layer, int delta)
{
    QGraphicsSceneWheelEvent event(QEvent::GraphicsSceneWheel);
    event.setDelta(delta);
    event.setOrientation(Qt::Vertical);
    event.ignore();
    w.scene->sendEvent(layer, &event);
    return event.isAccepted();
}

} // namespace

class TestPixelReadout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void flowReadoutShowsRawComponents();
    void bothLayersReportTheSamePixel();
    void rasterReadoutShowsBytes();
    void leavingClearsTheReadout();
    void nothingIsReadAfterAFailedLoad();
    void wheelStepsThroughTheFolder_data();
    void wheelStepsThroughTheFolder();
    void wheelPiecesAddUpToNotches();
    void wheelLeftoverIsDropped();
    void readoutFollowsTheNewFile();

private:
    QTemporaryDir dir;
    QString flowPath;
};

void TestPixelReadout::initTestCase()
{
    QVERIFY(dir.isValid());
    std::vector<float> uv(20 * 10 * 2, 0.5f);
    const auto at = [&uv](int x, int y) { return 2 * (y * 20 + x); };
    uv[at(12, 7)] = 1.0f / 3.0f;
    uv[at(12, 7) + 1] = -0.25f;
    uv[at(3, 2)] = 1e10f;
    uv[at(3, 2) + 1] = 7.5f;
    flowPath = dir.filePath("m.flo");
    QVERIFY(writeFile(flowPath, floBytes(20, 10, uv)));
    for (const char *name : {"k.flo", "l.flo", "n.flo", "o.flo", "p.flo"})
        QVERIFY(writeFile(dir.filePath(name), floBytesFilled(2, 2, 1, 1)));
}

void TestPixelReadout::flowReadoutShowsRawComponents()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    w.SetFlowCutoff(2); // the raw values show, not the clamped ones
    QCOMPARE(hover(w, w.leftLayer, {12.9, 7.2}), QStringLiteral("(x:12, y:7)=[0.333333, -0.25]"));
    QCOMPARE(hover(w, w.leftLayer, {3.0, 2.99}), QStringLiteral("(x:3, y:2)=[1e+10, 7.5]"));
    QCOMPARE(hover(w, w.leftLayer, {0, 0}), QStringLiteral("(x:0, y:0)=[0.5, 0.5]"));
}

void TestPixelReadout::bothLayersReportTheSamePixel()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QVERIFY(w.rightLayer->isVisible());
    const QString left = hover(w, w.leftLayer, {12.5, 7.5});
    const QString right = hover(w, w.rightLayer, {12.5, 7.5});
    QCOMPARE(left, QStringLiteral("(x:12, y:7)=[0.333333, -0.25]"));
    QCOMPARE(right, left);
}

void TestPixelReadout::rasterReadoutShowsBytes()
{
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(qRgb(7, 7, 7));
    img.setPixel(1, 2, qRgb(255, 128, 0));
    const QString path = dir.filePath("pix.png");
    QVERIFY(img.save(path));
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(hover(w, w.leftLayer, {1.7, 2.1}), QStringLiteral("(x:1, y:2)=[255, 128, 0]"));
    QCOMPARE(hover(w, w.leftLayer, {0, 0}), QStringLiteral("(x:0, y:0)=[7, 7, 7]"));
}

void TestPixelReadout::leavingClearsTheReadout()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    QVERIFY(!hover(w, w.leftLayer, {1, 1}).isEmpty());
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    w.scene->sendEvent(w.leftLayer, &leave);
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
    QVERIFY(!hover(w, w.leftLayer, {1, 1}).isEmpty());
    // The pixmap's border line lies one past the last pixel.
    QVERIFY(hover(w, w.leftLayer, {20.0, 3}).isEmpty());
    QVERIFY(hover(w, w.leftLayer, {3, 10.0}).isEmpty());
}

void TestPixelReadout::nothingIsReadAfterAFailedLoad()
{
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, flowPath);
    QTemporaryDir other;
    QVERIFY(writeFile(other.filePath("broken.flo"), QByteArray("PIEH\0\0", 6)));
    openByName(w, other.filePath("broken.flo"));
    QCOMPARE(closer.count(), 1);
    QVERIFY(!w.leftLayer->pixmap().isNull()); // the old picture is still on screen
    QVERIFY(hover(w, w.leftLayer, {12, 7}).isEmpty());
}

void TestPixelReadout::wheelStepsThroughTheFolder_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("shown");
    // Sorted listing: k l m n o p; m is shown.
    QTest::newRow("away from the user") << 120 << 1 << "l.flo";
    QTest::newRow("towards the user") << -120 << -1 << "n.flo";
    QTest::newRow("fast turn") << 360 << 3 << "m.flo";
    QTest::newRow("fast turn forward") << -360 << -3 << "p.flo";
}

void TestPixelReadout::wheelStepsThroughTheFolder()
{
    QFETCH(int, delta);
    QFETCH(int, step);
    QFETCH(QString, shown);
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, flowPath);
    QVERIFY(wheel(w, w.leftLayer, delta));
    QCOMPARE(closer.count(), 0);
    QCOMPARE(w.browseStep, step);
    QVERIFY(w.browseByStep);
    QCOMPARE(w.filePath, dir.filePath(shown));
    QVERIFY(w.hasImage);
}

// Touchpads and high-resolution wheels send a notch in pieces: a piece loads nothing, and
// the pieces that complete a notch step once.
void TestPixelReadout::wheelPiecesAddUpToNotches()
{
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, flowPath);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    QVERIFY(wheel(w, w.leftLayer, 40));
    QVERIFY(wheel(w, w.leftLayer, 40));
    QVERIFY(!w.browseByStep);
    QCOMPARE(w.browseStep, -1);
    QCOMPARE(passes.count(), 0); // nothing was read again
    QVERIFY(wheel(w, w.leftLayer, 40));
    QCOMPARE(w.browseStep, 1);
    QCOMPARE(w.filePath, dir.filePath("l.flo"));

    // Back the other way: a piece of 15 and one of 100 make -115, no notch yet; the next 15
    // completes it.
    QVERIFY(wheel(w, w.leftLayer, -15));
    QVERIFY(wheel(w, w.leftLayer, -100));
    QCOMPARE(w.filePath, dir.filePath("l.flo"));
    QVERIFY(wheel(w, w.leftLayer, -15));
    QCOMPARE(w.browseStep, -1);
    QCOMPARE(w.filePath, dir.filePath("m.flo"));
    QCOMPARE(closer.count(), 0);
}

// A piece left over never eats into a whole notch: it is dropped when the wheel turns the
// other way, and when it rests.
void TestPixelReadout::wheelLeftoverIsDropped()
{
    WheelNotches notches;
    QCOMPARE(notches.add(40, 1000), 0);
    QCOMPARE(notches.add(-120, 1010), -1); // reversed
    QCOMPARE(notches.add(-60, 1020), 0);
    QCOMPARE(notches.add(-60, 1030), -1); // same way: the pieces add up
    QCOMPARE(notches.add(100, 1040), 0);
    QCOMPARE(notches.add(100, 1040 + WheelNotches::kRestMs), 0); // rested: 100, not 200
    QCOMPARE(notches.add(20, 1050 + WheelNotches::kRestMs), 1);
    QCOMPARE(notches.add(-250, 1060 + WheelNotches::kRestMs), -2);
}

// The pointer stays where it was while the wheel steps: the status bar reads the new file's
// pixel under it at once, and nothing once the pointer is off the new, smaller picture.
void TestPixelReadout::readoutFollowsTheNewFile()
{
    QTemporaryDir seq;
    QVERIFY(writeFile(seq.filePath("a.flo"), floBytesFilled(20, 10, 1.5f, -2.0f)));
    QVERIFY(writeFile(seq.filePath("b.flo"), floBytesFilled(20, 10, 4.0f, 0.25f)));
    QVERIFY(writeFile(seq.filePath("c.flo"), floBytesFilled(4, 4, 9.0f, 9.0f)));
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, seq.filePath("a.flo"));
    QCOMPARE(hover(w, w.leftLayer, {12.5, 7.5}), QStringLiteral("(x:12, y:7)=[1.5, -2]"));
    wheel(w, w.leftLayer, -120);
    QCOMPARE(w.filePath, seq.filePath("b.flo"));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("(x:12, y:7)=[4, 0.25]"));
    wheel(w, w.leftLayer, -120);
    QCOMPARE(w.filePath, seq.filePath("c.flo"));
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
    QCOMPARE(closer.count(), 0);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestPixelReadout)
#include "test_pixel_readout.moc"
