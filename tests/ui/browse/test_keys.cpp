#include "dialog_driver.h"
#include "flo_writer.h"
#include "key_browser.h"
#include "modal_closer.h"
#include "position_field.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Each file of the folder has its own u, so that what is on screen tells which file it is.
class TestKeys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyKeyStepsLikeAWheelNotch_data();
    void everyKeyStepsLikeAWheelNotch();
    void keysAtTheEndsLoadTheFileAgain_data();
    void keysAtTheEndsLoadTheFileAgain();
    void folderOfOneFile();
    void positionInTheFolder();
    void afterACancelledOpenDialog();
    void afterAFailedFirstOpen();
    void nothingOpenedNothingLoads();
    void stepsArrivingTogetherMakeOneLoad();
    void stepsArrivingDuringALoadJoinTheNext();
    void gatheredStepsStopAtTheEnds();
    void arrowKeysDoNotScroll();
    void fullScreenTogglesAndEscapeStillQuits();
    void focusedControlsKeepTheirKeys();
    void stepWaitsForADialog();

private:
    void showWindow(Vek_Zandor &w);
    void press(Vek_Zandor &w, Qt::Key key);
    QString path(const QString &name) const { return dir->filePath(name); }
    // Which of a..e the window shows, by the value its flow holds.
    QString shownName(const Vek_Zandor &w) const;

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    const QStringList names{"a.flo", "b.flo", "c.flo", "d.flo", "e.flo"};
};

void TestKeys::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    for (int i = 0; i < names.size(); ++i)
        QVERIFY(writeFile(path(names[i]), floBytesFilled(4, 3, float(i + 1), 0.5f)));
}

void TestKeys::cleanup()
{
    cancelFileDialogAnswer();
    delete closer;
    delete dir;
}

void TestKeys::showWindow(Vek_Zandor &w)
{
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// To the focused widget, as a keyboard sends it. The load runs once the key's event has
// returned, as keys pressed meanwhile are gathered.
void TestKeys::press(Vek_Zandor &w, Qt::Key key)
{
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == &w ? focus : &w, key);
    QCoreApplication::processEvents();
}

QString TestKeys::shownName(const Vek_Zandor &w) const
{
    if (!w.hasImage || !w.isFlow)
        return QString();
    const int i = int(w.flowU[0][0]) - 1;
    return i >= 0 && i < names.size() ? names[i] : QString();
}

void TestKeys::everyKeyStepsLikeAWheelNotch_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("browseStep");
    QTest::newRow("Right") << int(Qt::Key_Right) << 3 << -1;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 3 << -1;
    QTest::newRow("Space") << int(Qt::Key_Space) << 3 << -1;
    QTest::newRow("Left") << int(Qt::Key_Left) << 1 << 1;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 1 << 1;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 1 << 1;
    QTest::newRow("Home") << int(Qt::Key_Home) << 0 << 2;
    QTest::newRow("End") << int(Qt::Key_End) << 4 << -2;
}

void TestKeys::everyKeyStepsLikeAWheelNotch()
{
    QFETCH(int, key);
    QFETCH(int, index);
    QFETCH(int, browseStep);
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("c.flo"));

    press(w, Qt::Key(key));
    QCOMPARE(w.dirIndex, index);
    QVERIFY(w.browseByStep);
    QCOMPARE(w.browseStep, browseStep);
    QCOMPARE(w.filePath, path(names[index]));
    QCOMPARE(shownName(w), names[index]);
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path(names[index]) + "]");
    QCOMPARE(closer->count(), 0);

    // The same place by the wheel's road gives the same window.
    Vek_Zandor wheel;
    openByName(wheel, path("c.flo"));
    step(wheel, browseStep);
    QCOMPARE(wheel.dirIndex, w.dirIndex);
    QCOMPARE(wheel.windowTitle(), w.windowTitle());
}

void TestKeys::keysAtTheEndsLoadTheFileAgain_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::newRow("Right at the last") << "e.flo" << int(Qt::Key_Right);
    QTest::newRow("End at the last") << "e.flo" << int(Qt::Key_End);
    QTest::newRow("Left at the first") << "a.flo" << int(Qt::Key_Left);
    QTest::newRow("Home at the first") << "a.flo" << int(Qt::Key_Home);
}

// As past an end of the wheel: the file on screen is read again and nothing else changes.
void TestKeys::keysAtTheEndsLoadTheFileAgain()
{
    QFETCH(QString, start);
    QFETCH(int, key);
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path(start));
    const int index = w.dirIndex;
    const QString title = w.windowTitle();
    QVERIFY(writeFile(path(start), floBytesFilled(4, 3, 3.0f, 0.5f)));

    press(w, Qt::Key(key));
    QCOMPARE(w.dirIndex, index);
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.flowU[0][0], 3.0f); // read again
    QCOMPARE(closer->count(), 0);
}

// The status bar's field follows open, steps, Home and End, a failed step and a file its
// listing leaves out.
void TestKeys::positionInTheFolder()
{
    Vek_Zandor w;
    showWindow(w);
    const QLabel *field = w.findChild<PositionField *>()->label();
    QCOMPARE(field->text(), QString());
    openByName(w, path("c.flo"));
    QCOMPARE(field->text(), QStringLiteral("3 / 5"));
    press(w, Qt::Key_Right);
    QCOMPARE(field->text(), QStringLiteral("4 / 5"));
    press(w, Qt::Key_Home);
    QCOMPARE(field->text(), QStringLiteral("1 / 5"));
    press(w, Qt::Key_End);
    QCOMPARE(field->text(), QStringLiteral("5 / 5"));
    QVERIFY(writeFile(path("d.flo"), QByteArray("broken")));
    press(w, Qt::Key_Left); // fails: e.flo stays on screen
    QCOMPARE(field->text(), QStringLiteral("5 / 5"));
    closer->clear();
    const QString odd = path("z.jpeg");
    QImage(4, 3, QImage::Format_RGB32).save(odd, "JPG");
    openByName(w, odd); // lists "*.peg": its own name is not among them
    QCOMPARE(field->text(), QString::fromUtf8("\u2013 / 0"));
}

void TestKeys::folderOfOneFile()
{
    QTemporaryDir alone;
    const QString only = alone.filePath("only.flo");
    QVERIFY(writeFile(only, floBytesFilled(2, 2, 1.0f, 1.0f)));
    Vek_Zandor w;
    showWindow(w);
    openByName(w, only);
    auto *keys = w.findChild<KeyBrowser *>();
    QSignalSpy loads(w.document(), &ViewerDocument::loadFinished);
    QVERIFY(keys);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Space,
                        Qt::Key_Backspace, Qt::Key_PageUp, Qt::Key_PageDown}) {
        const qsizetype before = loads.count();
        press(w, key);
        QCOMPARE(loads.count(), before + 1);
        QCOMPARE(w.dirIndex, 0);
        QCOMPARE(w.filePath, only);
        QVERIFY(w.hasImage && w.isFlow);
    }
    QCOMPARE(closer->count(), 0);
}

// A cancelled dialog empties filePath; the keys go on from the picture on screen.
void TestKeys::afterACancelledOpenDialog()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("d.flo"));
    answerNextFileDialog(QString());
    w.OpenFileAction();
    QVERIFY(w.filePath.isEmpty());
    showWindow(w);

    press(w, Qt::Key_Right);
    QCOMPARE(shownName(w), QStringLiteral("e.flo"));
    answerNextFileDialog(QString());
    w.OpenFileAction();
    showWindow(w);
    press(w, Qt::Key_Right); // past the end: the picture on screen again, not an empty name
    QCOMPARE(closer->count(), 0);
    QCOMPARE(w.filePath, path("e.flo"));
    QCOMPARE(shownName(w), QStringLiteral("e.flo"));
    answerNextFileDialog(QString());
    w.OpenFileAction();
    showWindow(w);
    press(w, Qt::Key_Home);
    QCOMPARE(shownName(w), QStringLiteral("a.flo"));
    QCOMPARE(closer->count(), 0);
}

// Nothing is on screen, but the folder was listed: the keys reach its files, which the wheel,
// with no picture to turn over, cannot.
void TestKeys::afterAFailedFirstOpen()
{
    QVERIFY(writeFile(path("bb.flo"), QByteArray("PIEH")));
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("bb.flo"));
    QCOMPARE(closer->count(), 1);
    QVERIFY(!w.hasImage);
    showWindow(w);
    press(w, Qt::Key_Right);
    QCOMPARE(shownName(w), QStringLiteral("c.flo"));
    QCOMPARE(closer->count(), 1);
}

void TestKeys::nothingOpenedNothingLoads()
{
    Vek_Zandor w;
    showWindow(w);
    QSignalSpy loads(w.document(), &ViewerDocument::loadFinished);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_F5})
        press(w, key);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(closer->count(), 0);
    QVERIFY(!w.hasImage);
    QCOMPARE(w.windowTitle(), QStringLiteral("Optical Flow Viewer"));

    // Likewise after a cancelled dialog with nothing ever opened.
    answerNextFileDialog(QString());
    w.OpenFileAction();
    showWindow(w);
    press(w, Qt::Key_End);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(closer->count(), 0);
}

// Keys that wait in the queue together make one load that goes as far as all of them.
void TestKeys::stepsArrivingTogetherMakeOneLoad()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("a.flo"));
    QSignalSpy loads(w.document(), &ViewerDocument::loadFinished);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    QTest::keyClick(&w, Qt::Key_Right);
    QTest::keyClick(&w, Qt::Key_Right);
    QTest::keyClick(&w, Qt::Key_Space);
    QTest::keyClick(&w, Qt::Key_Left);
    QTest::keyClick(&w, Qt::Key_PageDown);
    QCOMPARE(loads.count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(loads.count(), 1);
    QCOMPARE(passes.count(), 1);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
    QCOMPARE(w.dirIndex, 3);

    // A jump, then steps from where it lands.
    QTest::keyClick(&w, Qt::Key_Home);
    QTest::keyClick(&w, Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(loads.count(), 2);
    QCOMPARE(shownName(w), QStringLiteral("b.flo"));
    QTest::keyClick(&w, Qt::Key_Left);
    QTest::keyClick(&w, Qt::Key_End);
    QTest::keyClick(&w, Qt::Key_Left);
    QCoreApplication::processEvents();
    QCOMPARE(loads.count(), 3);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
}

// A key that comes while a load runs is held until it ends, and every key that came by then
// goes into the one load that follows.
void TestKeys::stepsArrivingDuringALoadJoinTheNext()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("a.flo"));
    auto *keys = w.findChild<KeyBrowser *>();
    QSignalSpy loads(w.document(), &ViewerDocument::loadFinished);
    QAction *next = keys->nextAction();
    int during = 0;
    connect(w.document(), &ViewerDocument::loadFinished, &w, [&] {
        if (during++ == 0)
            for (int i = 0; i < 3; ++i)
                next->trigger();
    });
    press(w, Qt::Key_Right);
    QCOMPARE(loads.count(), 1);
    QCOMPARE(shownName(w), QStringLiteral("b.flo"));
    QCoreApplication::processEvents();
    QCOMPARE(loads.count(), 2);
    QCOMPARE(shownName(w), QStringLiteral("e.flo"));
    QCoreApplication::processEvents();
    QCOMPARE(loads.count(), 2);
}

// Steps gathered past an end stop at it, as the same steps one by one would; from the end
// itself they load the file on screen again, as one step would.
void TestKeys::gatheredStepsStopAtTheEnds()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("d.flo"));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&w, Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(shownName(w), QStringLiteral("e.flo"));
    QCOMPARE(w.dirIndex, 4);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&w, Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(w.dirIndex, 4);
    QCOMPARE(w.filePath, path("e.flo"));
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(&w, Qt::Key_Left);
    QCoreApplication::processEvents();
    QCOMPARE(shownName(w), QStringLiteral("a.flo"));
    QCOMPARE(closer->count(), 0);
}

// The view does not scroll with the arrow keys, which step instead; the scroll bars still pan.
void TestKeys::arrowKeysDoNotScroll()
{
    Vek_Zandor w;
    showWindow(w);
    QVERIFY(writeFile(path("c.flo"), floBytesFilled(400, 300, 3.0f, 0.5f)));
    QVERIFY(writeFile(path("d.flo"), floBytesFilled(400, 300, 4.0f, 0.5f)));
    openByName(w, path("c.flo"));
    for (int i = 0; i < 6; ++i)
        w.ZoomIn();
    QGraphicsView *view = w.ui.graphicsView;
    view->setFocus();
    view->centerOn(200, 150);
    QScrollBar *vertical = view->verticalScrollBar();
    QScrollBar *horizontal = view->horizontalScrollBar();
    QVERIFY(vertical->maximum() > 0 && horizontal->maximum() > 0);
    const int top = vertical->value();
    const int left = horizontal->value();

    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}) {
        QTest::keyClick(view, key);
        QCoreApplication::processEvents();
        QCOMPARE(vertical->value(), top);
    }
    QTest::keyClick(view, Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
    QCOMPARE(vertical->value(), top);
    QCOMPARE(horizontal->value(), left);

    vertical->setValue(top + 10);
    QCOMPARE(vertical->value(), top + 10);
}

// A control with the focus keeps the keys it uses itself: Space ticks a check box, the arrows
// move in the spin box's text. Keys it has no use for still step.
void TestKeys::focusedControlsKeepTheirKeys()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("c.flo"));
    QCheckBox *channels = w.ui.checkBox_ShowIndividualDim;
    channels->setFocus();
    press(w, Qt::Key_Space);
    QVERIFY(channels->isChecked());
    QCOMPARE(shownName(w), QStringLiteral("c.flo"));
    press(w, Qt::Key_Right);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));

    QSpinBox *cutoff = w.ui.spinBox_FlowCutoffVal;
    cutoff->setFocus();
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_Backspace})
        press(w, key);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
    press(w, Qt::Key_PageDown);
    QCOMPARE(shownName(w), QStringLiteral("e.flo"));
}

// A dialog that opens before a step's load runs keeps the window as it is until it closes.
void TestKeys::stepWaitsForADialog()
{
    Vek_Zandor w;
    showWindow(w);
    openByName(w, path("b.flo"));
    delete closer; // this box stays open a while
    closer = nullptr;
    QString during;
    QTimer::singleShot(300, &w, [&] {
        during = shownName(w);
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    w.findChild<KeyBrowser *>()->nextAction()->trigger();
    QMessageBox::information(&w, QStringLiteral("Busy"), QStringLiteral("A box"));
    closer = new ModalCloser;
    QCOMPARE(during, QStringLiteral("b.flo"));
    QTRY_COMPARE(shownName(w), QStringLiteral("c.flo"));
}

void TestKeys::fullScreenTogglesAndEscapeStillQuits()
{
    Vek_Zandor w;
    showWindow(w);
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QTest::keyClick(&w, Qt::Key_F11);
    QTRY_VERIFY(w.isFullScreen());
    auto *action = w.findChild<QAction *>(QStringLiteral("actionFullScreen"));
    QVERIFY(action && action->isChecked());
    QTest::keyClick(&w, Qt::Key_F11);
    QTRY_VERIFY(!w.isFullScreen());
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QVERIFY(!action->isChecked());

    QTest::keyClick(&w, Qt::Key_F11);
    QTRY_VERIFY(w.isFullScreen());
    QTest::keyClick(&w, Qt::Key_Escape);
    QTRY_VERIFY(!w.isVisible());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestKeys)
#include "test_keys.moc"
