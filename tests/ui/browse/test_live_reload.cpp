#include "flo_writer.h"
#include "folder_follower.h"
#include "key_browser.h"
#include "live_reload.h"
#include "modal_closer.h"
#include "settle_watch.h"
#include "tool_host.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <cstdio>

namespace {

// Long enough for a settle and a load on a loaded machine, however slow the build.
constexpr int kWaitMs = 10000;

// The bytes of a small flow whose every u is u.
QByteArray flow(float u, int width = 4, int height = 3)
{
    return floBytesFilled(width, height, u, -1.0f);
}

bool appendFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::Append) && f.write(bytes) == bytes.size();
}

// As scripts that write results do: the whole file under another name, then renamed over.
bool replaceByRename(const QString &path, const QByteArray &bytes)
{
    const QString part = path + QStringLiteral(".part");
    return writeFile(part, bytes) && std::rename(QFile::encodeName(part).constData(),
                                                 QFile::encodeName(path).constData()) == 0;
}

} // namespace

class TestLiveReload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void f5ReadsTheChangedFileWithTheViewKept();
    void f5FailureGoesToTheStatusBar();
    void fileWrittenInPlaceShowsOnceSettled();
    void fileReplacedByRenameShowsEachTime();
    void halfWrittenFileWaitsForTheRest();
    void watchOffLeavesThePicture();
    void reloadWaitsForAnOpenDialog();
    void listingFollowsTheFolder();
    void followNewestOpensNewFilesWhenComplete();
    void followNewestTakesRenamedFiles();
    void followNewestOffOnlyLists();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    // Records every picture shown, with the time since the last mark.
    void record(Vek_Zandor &w);

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    QElapsedTimer sinceWrite;
    QList<float> shownU;
    QList<qint64> shownAfter;
};

void TestLiveReload::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    shownU.clear();
    shownAfter.clear();
    for (const char *name : {"a.flo", "b.flo", "c.flo"})
        QVERIFY(writeFile(path(name), flow(1.0f)));
}

void TestLiveReload::cleanup()
{
    QCOMPARE(closer->count(), 0);
    delete closer;
    delete dir;
}

void TestLiveReload::record(Vek_Zandor &w)
{
    connect(w.document(), &ViewerDocument::loadFinished, &w, [this, &w](bool shown) {
        if (shown) {
            shownU << (w.isFlow ? w.flowU[0][0] : 0.0f);
            shownAfter << sinceWrite.elapsed();
        }
    });
}

void TestLiveReload::f5ReadsTheChangedFileWithTheViewKept()
{
    Vek_Zandor w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.findChild<QAction *>(QStringLiteral("actionWatchFile"))->setChecked(false);
    QVERIFY(writeFile(path("b.flo"), flow(1.0f, 300, 200)));
    openByName(w, path("b.flo"));
    for (int i = 0; i < 5; ++i)
        w.ZoomIn();
    const QTransform zoom = w.ui.graphicsView->transform();
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    w.ui.spinBox_FlowCutoffVal->setValue(3);
    QScrollBar *bar = w.ui.graphicsView->horizontalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(bar->maximum() / 3);
    const int scrolled = bar->value();
    QVERIFY(writeFile(path("b.flo"), flow(40.0f, 300, 200)));

    QTest::keyClick(&w, Qt::Key_F5);
    QCOMPARE(w.flowU[4][5], 40.0f);
    QCOMPARE(w.flowCutoff, 3);
    QCOMPARE(w.clampedU[4][5], 3.0f);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 3);
    QVERIFY(w.rightLayer->isVisible());
    QCOMPARE(w.ui.graphicsView->transform(), zoom);
    QCOMPARE(bar->value(), scrolled);
    QCOMPARE(w.dirIndex, 1);
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path("b.flo") + "]");
}

void TestLiveReload::f5FailureGoesToTheStatusBar()
{
    Vek_Zandor w;
    w.findChild<QAction *>(QStringLiteral("actionWatchFile"))->setChecked(false);
    openByName(w, path("b.flo"));
    const qint64 pixmap = w.leftLayer->pixmap().cacheKey();
    QVERIFY(writeFile(path("b.flo"), flow(5.0f).left(40)));
    auto *reload = w.findChild<LiveReload *>();
    QVERIFY(!reload->reload());
    QCOMPARE(w.statusBar()->currentMessage(),
             "ReadFlowFile(" + path("b.flo") + "): file is too short");
    QCOMPARE(w.flowU[0][0], 1.0f);
    QCOMPARE(w.leftLayer->pixmap().cacheKey(), pixmap);
    QVERIFY(w.hasImage && w.ui.actionSave_As->isEnabled());
}

// A file rewritten in place is shown again, once, no sooner than the settle time after the
// last write.
void TestLiveReload::fileWrittenInPlaceShowsOnceSettled()
{
    Vek_Zandor w;
    openByName(w, path("b.flo"));
    w.ui.spinBox_FlowCutoffVal->setValue(2);
    record(w);
    QVERIFY(writeFile(path("b.flo"), flow(7.0f)));
    QTest::qWait(50);
    QVERIFY(writeFile(path("b.flo"), flow(8.0f)));
    sinceWrite.start();
    QTRY_COMPARE_WITH_TIMEOUT(shownU.size(), 1, kWaitMs);
    QCOMPARE(shownU.first(), 8.0f);
    QVERIFY2(shownAfter.first() >= SettleWatch::kSettleMs - 10,
             qPrintable(QString::number(shownAfter.first())));
    QCOMPARE(w.flowCutoff, 2);
    QTest::qWait(2 * SettleWatch::kSettleMs);
    QCOMPARE(shownU.size(), 1);
}

// Each rename puts another file under the name: the watch must move to it every time.
void TestLiveReload::fileReplacedByRenameShowsEachTime()
{
    Vek_Zandor w;
    openByName(w, path("b.flo"));
    record(w);
    for (float u : {2.0f, 3.0f, 4.0f}) {
        QVERIFY(replaceByRename(path("b.flo"), flow(u)));
        QTRY_COMPARE_WITH_TIMEOUT(w.flowU[0][0], u, kWaitMs);
    }
    // And a write in place after the renames reaches the file now under the name.
    QVERIFY(writeFile(path("b.flo"), flow(9.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.flowU[0][0], 9.0f, kWaitMs);
    QCOMPARE(shownU, QList<float>({2.0f, 3.0f, 4.0f, 9.0f}));
    QCOMPARE(w.dirFiles, QStringList({"a.flo", "b.flo", "c.flo"}));
}

// Caught half-written, the file leaves the last good picture and says why; the rest of the
// file brings the new one.
void TestLiveReload::halfWrittenFileWaitsForTheRest()
{
    Vek_Zandor w;
    openByName(w, path("b.flo"));
    record(w);
    const QByteArray whole = flow(6.0f, 40, 30);
    QVERIFY(writeFile(path("b.flo"), whole.left(whole.size() / 2)));
    const QString waiting = "ReadFlowFile(" + path("b.flo") +
                            "): file is too short (waiting for the file to be complete)";
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(), waiting, kWaitMs);
    QVERIFY(shownU.isEmpty());
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.flowU[0][0], 1.0f);
    QCOMPARE(w.cols, 4);

    QVERIFY(appendFile(path("b.flo"), whole.mid(whole.size() / 2)));
    QTRY_COMPARE_WITH_TIMEOUT(shownU, QList<float>({6.0f}), kWaitMs);
    QCOMPARE(w.cols, 40);
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
}

void TestLiveReload::watchOffLeavesThePicture()
{
    Vek_Zandor w;
    auto *watch = w.findChild<QAction *>(QStringLiteral("actionWatchFile"));
    QVERIFY(watch && watch->isChecked() && watch->isCheckable());
    QVERIFY(w.toolHost()->toolBar()->actions().contains(watch));
    openByName(w, path("b.flo"));
    watch->setChecked(false);
    QVERIFY(writeFile(path("b.flo"), flow(3.0f)));
    QTest::qWait(3 * SettleWatch::kSettleMs);
    QCOMPARE(w.flowU[0][0], 1.0f);

    watch->setChecked(true);
    QVERIFY(writeFile(path("b.flo"), flow(4.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.flowU[0][0], 4.0f, kWaitMs);
}

// While a dialog is open the window is left alone; the change shows once it is closed.
void TestLiveReload::reloadWaitsForAnOpenDialog()
{
    Vek_Zandor w;
    openByName(w, path("b.flo"));
    // This box stays open for well over the settle time.
    delete closer;
    closer = nullptr;
    QVERIFY(writeFile(path("b.flo"), flow(5.0f)));
    float during = 0;
    QTimer::singleShot(4 * SettleWatch::kSettleMs, &w, [&] {
        during = w.flowU[0][0];
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    QMessageBox::information(&w, QStringLiteral("Busy"), QStringLiteral("A box"));
    closer = new ModalCloser;
    QCOMPARE(during, 1.0f);
    QTRY_COMPARE_WITH_TIMEOUT(w.flowU[0][0], 5.0f, kWaitMs);
}

// Files that appear or go are in the listing, so that End reaches the newest; the file on
// screen keeps its place even when it is gone.
void TestLiveReload::listingFollowsTheFolder()
{
    Vek_Zandor w;
    openByName(w, path("b.flo"));
    auto *keys = w.findChild<KeyBrowser *>();
    QVERIFY(writeFile(path("d.flo"), flow(4.0f)));
    QVERIFY(writeFile(path("d.png"), QByteArray("not a flow")));
    QTRY_COMPARE_WITH_TIMEOUT(w.dirFiles, QStringList({"a.flo", "b.flo", "c.flo", "d.flo"}),
                              kWaitMs);
    QCOMPARE(w.dirIndex, 1);
    keys->lastAction()->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(w.filePath, path("d.flo"));
    QCOMPARE(w.flowU[0][0], 4.0f);

    QVERIFY(QFile::remove(path("a.flo")));
    QTRY_COMPARE_WITH_TIMEOUT(w.dirFiles, QStringList({"b.flo", "c.flo", "d.flo"}), kWaitMs);
    QCOMPARE(w.dirIndex, 2);
    QVERIFY(QFile::remove(path("d.flo")));
    QVERIFY(writeFile(path("e.flo"), flow(5.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.dirFiles, QStringList({"b.flo", "c.flo", "d.flo", "e.flo"}),
                              kWaitMs);
    QCOMPARE(w.dirIndex, 2);
    keys->nextAction()->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(w.filePath, path("e.flo"));
    // Stepped away, the gone file leaves the listing at the next change.
    QVERIFY(writeFile(path("f.flo"), flow(6.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.dirFiles, QStringList({"b.flo", "c.flo", "e.flo", "f.flo"}),
                              kWaitMs);
    QCOMPARE(w.dirIndex, 2);
}

void TestLiveReload::followNewestOpensNewFilesWhenComplete()
{
    Vek_Zandor w;
    auto *follow = w.findChild<QAction *>(QStringLiteral("actionFollowNewest"));
    QVERIFY(follow && follow->isCheckable() && !follow->isChecked());
    QVERIFY(w.toolHost()->toolBar()->actions().contains(follow));
    openByName(w, path("b.flo"));
    follow->setChecked(true);
    record(w);

    const QByteArray whole = flow(7.0f, 40, 30);
    QVERIFY(writeFile(path("d.flo"), whole.left(1000)));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(),
                              "ReadFlowFile(" + path("d.flo") +
                                  "): file is too short (waiting for the file to be complete)",
                              kWaitMs);
    QVERIFY(shownU.isEmpty());
    QCOMPARE(w.filePath, path("b.flo"));

    QVERIFY(appendFile(path("d.flo"), whole.mid(1000)));
    QTRY_COMPARE_WITH_TIMEOUT(shownU, QList<float>({7.0f}), kWaitMs);
    QCOMPARE(w.filePath, path("d.flo"));
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path("d.flo") + "]");
    QCOMPARE(w.dirFiles, QStringList({"a.flo", "b.flo", "c.flo", "d.flo"}));
    QCOMPARE(w.dirIndex, 3);
    QCOMPARE(w.flowCutoff, 7); // opened as a step opens it, not kept at b's 1

    // A file of another type is not followed; of several, the newest.
    QVERIFY(writeFile(path("e.png"), QByteArray("png")));
    QVERIFY(writeFile(path("f.flo"), flow(8.0f)));
    QVERIFY(writeFile(path("g.flo"), flow(9.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(shownU, QList<float>({7.0f, 9.0f}), kWaitMs);
    QCOMPARE(w.filePath, path("g.flo"));
    QTest::qWait(2 * SettleWatch::kSettleMs);
    QCOMPARE(shownU.size(), 2);
}

void TestLiveReload::followNewestTakesRenamedFiles()
{
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    w.findChild<QAction *>(QStringLiteral("actionFollowNewest"))->setChecked(true);
    // The script writes under a name of another type, then renames.
    QVERIFY(replaceByRename(path("d.flo"), flow(3.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.filePath, path("d.flo"), kWaitMs);
    QCOMPARE(w.flowU[0][0], 3.0f);
    QCOMPARE(w.dirFiles, QStringList({"a.flo", "b.flo", "c.flo", "d.flo"}));
}

void TestLiveReload::followNewestOffOnlyLists()
{
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    auto *follow = w.findChild<FolderFollower *>();
    QVERIFY(writeFile(path("d.flo"), flow(3.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.dirFiles.size(), 4, kWaitMs);
    QTest::qWait(2 * SettleWatch::kSettleMs);
    QCOMPARE(w.filePath, path("c.flo"));
    QVERIFY(follow->candidate().isEmpty());

    // Turned on, it takes only what appears from then on.
    follow->followAction()->setChecked(true);
    QTest::qWait(2 * SettleWatch::kSettleMs);
    QCOMPARE(w.filePath, path("c.flo"));
    QVERIFY(writeFile(path("e.flo"), flow(5.0f)));
    QTRY_COMPARE_WITH_TIMEOUT(w.filePath, path("e.flo"), kWaitMs);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestLiveReload)
#include "test_live_reload.moc"
