#include "compare_mode.h"
#include "flo_writer.h"
#include "frame_check_mode.h"
#include "frame_check_panes.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QDir>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Frame n is a ramp moved n pixels left, so that the flow (-1, 0) carries each onto the next.
QImage frame(int n)
{
    QImage image(6, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgb(10 * (x + n), 20 * y, 100));
    return image;
}

QStringList captions(const FrameCheckMode &check)
{
    QStringList texts;
    for (const PaneCaptions::Caption &caption : check.panes().captions().captions())
        texts << caption.text;
    return texts;
}

QString hover(Vek_Zandor &w, QGraphicsPixmapItem *layer, QPointF pos)
{
    QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
    event.setPos(pos);
    event.setScenePos(layer->mapToScene(pos));
    w.scene->sendEvent(layer, &event);
    return w.statusBar()->currentMessage();
}

QString figure(const Vek_Zandor &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

} // namespace

class TestFrameCheckMode : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void panesFiguresAndReadout();
    void flickerAlternatesTheFirstPane();
    void steppingFollowsTheFramesOrPauses();
    void oneModeOfPanesAtATime();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestFrameCheckMode::init()
{
    dir = new QTemporaryDir;
    closer = new ModalCloser;
    for (const char *folder : {"flow", "frames", "back"})
        QDir(dir->path()).mkdir(folder);
    for (int n = 1; n <= 3; ++n) {
        const QString name = QStringLiteral("frame_000%1").arg(n);
        QVERIFY(frame(n).save(path("frames/" + name + ".png")));
        QVERIFY(writeFile(path("flow/" + name + ".flo"), floBytesFilled(6, 4, -1, 0)));
    }
    // The flow back from frame_0002 undoes the first flow; none from frame_0003.
    QVERIFY(writeFile(path("back/frame_0002.flo"), floBytesFilled(6, 4, 1, 0)));
}

void TestFrameCheckMode::cleanup()
{
    delete closer;
    delete dir;
}

void TestFrameCheckMode::panesFiguresAndReadout()
{
    Vek_Zandor w;
    openByName(w, path("flow/frame_0001.flo"));
    FrameCheckMode &check = *w.findChild<FrameCheckMode *>();
    QVERIFY(check.checkWith(path("frames/frame_0001.png")));
    QVERIFY(check.isChecking());
    QCOMPARE(QFileInfo(check.frame2Path()).fileName(), QStringLiteral("frame_0002.png"));
    QCOMPARE(captions(check), (QStringList{"Frame 1 (6 X 4)", "Frame 2 Warped (6 X 4)",
                                           "Photometric Error (6 X 4)"}));
    QVERIFY(check.action()->isChecked());
    QCOMPARE(figure(w, "warpValid"), QStringLiteral("20"));
    QCOMPARE(figure(w, "warpMeanError"), QStringLiteral("0.000"));
    QCOMPARE(figure(w, "warpOccluded"), QStringLiteral("\u2013"));
    QCOMPARE(hover(w, check.panes().errorLayer(), QPointF(3.5, 2.5)),
             QStringLiteral("(x:3, y:2)=[-1, 0] frame1=[40, 40, 100] warped=[40, 40, 100] err=0"));
    QCOMPARE(hover(w, w.leftLayer, QPointF(0.5, 1.5)),
             QStringLiteral("(x:0, y:1)=[-1, 0] frame1=[10, 20, 100] warped=[0, 0, 0] err=nan"));

    check.setBackwardFolder(path("back"));
    QCOMPARE(QFileInfo(check.backwardPath()).fileName(), QStringLiteral("frame_0002.flo"));
    QCOMPARE(figure(w, "warpOccluded"), QStringLiteral("0.00"));
    QVERIFY(check.panes().outline()->isVisible());

    check.action()->trigger();
    QVERIFY(!check.isOn());
    QVERIFY(!check.panes().errorLayer()->isVisible());
    QCOMPARE(w.leftLabel->text(), QStringLiteral("Color Show (6 X 4)"));
    QCOMPARE(closer->count(), 0);
}

void TestFrameCheckMode::flickerAlternatesTheFirstPane()
{
    Vek_Zandor w;
    openByName(w, path("flow/frame_0001.flo"));
    FrameCheckMode &check = *w.findChild<FrameCheckMode *>();
    QVERIFY(!check.flickerAction()->isEnabled());
    QVERIFY(check.checkWith(path("frames/frame_0001.png")));
    const QImage frame1 = w.leftLayer->pixmap().toImage();
    const QImage warped = check.panes().warpedLayer()->pixmap().toImage();
    QVERIFY(frame1 != warped);
    QCOMPARE(check.flickerAction()->shortcut(), QKeySequence(Qt::Key_F));
    check.flickerAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(captions(check).value(0), QStringLiteral("Frame 2 Warped (6 X 4)"),
                              2000);
    QCOMPARE(w.leftLayer->pixmap().toImage(), warped);
    QTRY_COMPARE_WITH_TIMEOUT(captions(check).value(0), QStringLiteral("Frame 1 (6 X 4)"), 2000);
    QCOMPARE(w.leftLayer->pixmap().toImage(), frame1);
    // Off, frame 1 stays.
    check.flickerAction()->trigger();
    QVERIFY(!check.panes().warpedFirst());
}

void TestFrameCheckMode::steppingFollowsTheFramesOrPauses()
{
    Vek_Zandor w;
    openByName(w, path("flow/frame_0001.flo"));
    FrameCheckMode &check = *w.findChild<FrameCheckMode *>();
    QVERIFY(check.checkWith(path("frames/frame_0001.png")));
    check.setBackwardFolder(path("back"));

    step(w, -1);
    QCOMPARE(QFileInfo(w.filePath).fileName(), QStringLiteral("frame_0002.flo"));
    QVERIFY(check.isOn());
    QVERIFY(!check.isChecking());
    QVERIFY2(w.statusBar()->currentMessage().startsWith(
                 "Check paused: no backward flow frame_0003 for frame_0002.flo"),
             qPrintable(w.statusBar()->currentMessage()));
    check.setBackwardFolder(QString());
    QVERIFY(check.isChecking());
    QCOMPARE(QFileInfo(check.frame1Path()).fileName(), QStringLiteral("frame_0002.png"));
    QCOMPARE(QFileInfo(check.frame2Path()).fileName(), QStringLiteral("frame_0003.png"));
    QCOMPARE(figure(w, "warpMeanError"), QStringLiteral("0.000"));

    // The last frame has no next: no frame is taken by position instead.
    step(w, -1);
    QVERIFY(check.isOn() && !check.isChecking());
    QCOMPARE(w.statusBar()->currentMessage(),
             "Check paused: no frame after frame_0003.png in " +
                 QDir::toNativeSeparators(path("frames")));
    QVERIFY(!check.panes().isShown());
    QCOMPARE(closer->count(), 0);

    step(w, 2);
    QVERIFY(check.isChecking());
    QCOMPARE(QFileInfo(check.frame1Path()).fileName(), QStringLiteral("frame_0001.png"));
}

void TestFrameCheckMode::oneModeOfPanesAtATime()
{
    Vek_Zandor w;
    openByName(w, path("flow/frame_0001.flo"));
    FrameCheckMode &check = *w.findChild<FrameCheckMode *>();
    CompareMode &compare = *w.findChild<CompareMode *>();
    QVERIFY(check.checkWith(path("frames/frame_0001.png")));
    QVERIFY(compare.compareWith(path("flow/frame_0002.flo")));
    QVERIFY(!check.isOn());
    QVERIFY(compare.isComparing());
    QVERIFY(!w.ui.checkBox_ShowIndividualDim->isEnabled());
    QVERIFY(check.checkWith(path("frames/frame_0001.png")));
    QVERIFY(!compare.isOn());
    QVERIFY(!w.ui.checkBox_ShowIndividualDim->isEnabled());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFrameCheckMode)
#include "test_frame_check_mode.moc"
