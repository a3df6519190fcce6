#include "dialog_driver.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_memory.h"
#include "window_test_main.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

class TestWindowMemory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartIsMaximisedWithTheDefaults();
    void choicesComeBackInASecondWindow();
    void openDialogStartsInItsLastFolder();
    void fullScreenIsNotRemembered();
    void theFileIsNeverRemembered();

private:
    QAction *action(Vek_Zandor &w, const char *name)
    {
        return w.findChild<QAction *>(QLatin1String(name));
    }

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    QString flowPath;
};

void TestWindowMemory::init()
{
    // Each case starts as at the first start on a new machine.
    QSettings().clear();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    flowPath = dir->filePath("frame.flo");
    QVERIFY(writeFile(flowPath, floBytesFilled(8, 6, 2.0f, 1.0f)));
}

void TestWindowMemory::cleanup()
{
    cancelFileDialogAnswer();
    QCOMPARE(closer->count(), 0);
    delete closer;
    delete dir;
}

void TestWindowMemory::firstStartIsMaximisedWithTheDefaults()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QVERIFY(!w.ui.checkBox_ShowIndividualDim->isChecked());
    QVERIFY(action(w, "actionWatchFile")->isChecked());
    QVERIFY(!action(w, "actionFollowNewest")->isChecked());
    QVERIFY(w.memory()->openFolder().isEmpty());
    QCOMPARE(w.dockWidgetArea(w.ui.dockWidget_FlowPanel), Qt::RightDockWidgetArea);
}

void TestWindowMemory::choicesComeBackInASecondWindow()
{
    {
        Vek_Zandor w;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setWindowState(Qt::WindowNoState);
        w.resize(700, 520);
        w.addDockWidget(Qt::LeftDockWidgetArea, w.ui.dockWidget_FlowPanel);
        w.ui.checkBox_ShowIndividualDim->setChecked(true);
        action(w, "actionWatchFile")->setChecked(false);
        action(w, "actionFollowNewest")->setChecked(true);
        w.ui.mainToolBar->setVisible(false);
        QTRY_COMPARE(w.size(), QSize(700, 520));
        w.close();
    }

    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!(w.windowState() & Qt::WindowMaximized));
    QCOMPARE(w.size(), QSize(700, 520));
    QCOMPARE(w.dockWidgetArea(w.ui.dockWidget_FlowPanel), Qt::LeftDockWidgetArea);
    QVERIFY(w.ui.checkBox_ShowIndividualDim->isChecked());
    QVERIFY(w.showIndividualDim);
    QVERIFY(!action(w, "actionWatchFile")->isChecked());
    QVERIFY(action(w, "actionFollowNewest")->isChecked());
    QVERIFY(!w.ui.mainToolBar->isVisible());
    // The panel's place is remembered, but it shows only with a flow.
    QVERIFY(!w.ui.dockWidget_FlowPanel->isVisible());
    openByName(w, flowPath);
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisible());
    QCOMPARE(w.dockWidgetArea(w.ui.dockWidget_FlowPanel), Qt::LeftDockWidgetArea);
    QVERIFY(w.rightLayer->isVisible()); // opened in the channel view
}

// The dialog starts at the current file; with none (at start, after a cancel), in the folder
// it was last used in, this run or an earlier one.
void TestWindowMemory::openDialogStartsInItsLastFolder()
{
    QTemporaryDir other;
    {
        Vek_Zandor w;
        answerNextFileDialog(flowPath);
        w.OpenFileAction();
        QCOMPARE(w.filePath, flowPath);
        QCOMPARE(w.memory()->openFolder(), dir->path());
        openByName(w, other.filePath("missing.png")); // opened by name, not by the dialog
        closer->clear();
        answerNextFileDialog(QString());
        w.OpenFileAction();
        QVERIFY(w.filePath.isEmpty());
        answerNextFileDialog(QString());
        w.OpenFileAction();
        QCOMPARE(lastFileDialogFolder(), dir->path());
        w.close();
    }
    Vek_Zandor w;
    QCOMPARE(w.memory()->openFolder(), dir->path());
    answerNextFileDialog(QString());
    w.OpenFileAction();
    QCOMPARE(lastFileDialogFolder(), dir->path());
    QVERIFY(w.filePath.isEmpty());
    QVERIFY(!w.hasImage);
}

void TestWindowMemory::fullScreenIsNotRemembered()
{
    {
        Vek_Zandor w;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        action(w, "actionFullScreen")->trigger();
        QTRY_VERIFY(w.isFullScreen());
        w.close();
    }
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!w.isFullScreen());
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QVERIFY(!action(w, "actionFullScreen")->isChecked());
}

void TestWindowMemory::theFileIsNeverRemembered()
{
    {
        Vek_Zandor w;
        openByName(w, flowPath);
        QVERIFY(w.hasImage);
        w.close();
    }
    const QSettings settings;
    for (const QString &key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        QVERIFY2(!value.toString().contains(QLatin1String("frame")), qPrintable(key));
        QVERIFY2(!value.toByteArray().contains("frame.flo"), qPrintable(key));
    }
    Vek_Zandor w;
    QVERIFY(w.filePath.isEmpty() && !w.hasImage);
    QCOMPARE(w.windowTitle(), QStringLiteral("Optical Flow Viewer"));
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestWindowMemory)
#include "test_window_memory.moc"
