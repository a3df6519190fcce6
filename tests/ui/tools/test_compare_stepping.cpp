#include "compare_fixture.h"
#include "compare_panes.h"
#include "flo_writer.h"
#include "ground_truth_pair.h"
#include "key_browser.h"
#include "modal_closer.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QDir>
#include <QGraphicsSceneWheelEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString figure(const Vek_Zandor &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

void writePfm(const QString &path, int width, int height, float u, float v)
{
    const FloatPlane pu = vek_alloc_2(height, width), pv = vek_alloc_2(height, width);
    std::fill(pu.data(), pu.data() + pu.size(), u);
    std::fill(pv.data(), pv.data() + pv.size(), v);
    writeFlow(FlowFormat::Pfm, pu, pv, QFile::encodeName(path).constData());
}

} // namespace

// Estimates in est/, ground truths in gt/: each estimate's u is its letter's place, each
// ground truth's 0, so that the AEE tells which pair is compared.
class TestCompareStepping : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void stepsCompareWithTheGroundTruthOfTheirName();
    void keysAndTheWheelKeepComparing();
    void readoutUnderThePointerFollowsTheStep();
    void reloadKeepsTheChosenPair();
    void aFolderAsGroundTruth();
    void groundTruthIsFoundByBaseName();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QString shownName(const Vek_Zandor &w) const { return QFileInfo(w.filePath).fileName(); }

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestCompareStepping::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    QDir(dir->path()).mkdir("est");
    QDir(dir->path()).mkdir("gt");
    const QStringList names{"a", "b", "c", "d", "e"};
    for (int i = 0; i < names.size(); ++i)
        QVERIFY(writeFile(path("est/" + names[i] + ".flo"), floBytesFilled(4, 3, float(i + 1), 0)));
    // b has no ground truth, c's is a PFM, d's has another size.
    QVERIFY(writeFile(path("gt/a.flo"), floBytesFilled(4, 3, 0, 0)));
    writePfm(path("gt/c.pfm"), 4, 3, 0, 0);
    QVERIFY(writeFile(path("gt/d.flo"), floBytesFilled(3, 3, 0, 0)));
    QVERIFY(writeFile(path("gt/e.flo"), floBytesFilled(4, 3, 0, 0)));
}

void TestCompareStepping::cleanup()
{
    delete closer;
    delete dir;
}

void TestCompareStepping::stepsCompareWithTheGroundTruthOfTheirName()
{
    Vek_Zandor w;
    openByName(w, path("est/a.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt/a.flo")));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("1"));

    step(w, -1);
    QCOMPARE(shownName(w), QStringLiteral("b.flo"));
    QVERIFY(compare.isOn());
    QVERIFY(!compare.isComparing());
    QVERIFY(compare.action()->isChecked());
    const QString none = "No ground truth for b.flo in " + QDir::toNativeSeparators(path("gt"));
    QCOMPARE(w.statusBar()->currentMessage(), none);
    QCOMPARE(figure(w, "gtName"), none);
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("\u2013"));
    QCOMPARE(w.leftLabel->text(), QStringLiteral("Color Show (4 X 3)"));
    QVERIFY(w.leftLabel->isVisible());
    QVERIFY(captionTexts(compare).isEmpty());
    QVERIFY(!compare.panes().groundTruthLayer()->isVisible());
    QVERIFY(!compare.panes().epeLayer()->isVisible());

    step(w, -1);
    QCOMPARE(shownName(w), QStringLiteral("c.flo"));
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtName"), QStringLiteral("c.pfm"));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("3"));
    QCOMPARE(captionTexts(compare).value(0), QStringLiteral("Estimate (4 X 3)"));
    QVERIFY(!w.leftLabel->isVisible());
    QVERIFY(compare.panes().epeLayer()->isVisible());

    // A ground truth of another size pauses the comparison with a word, not a box.
    step(w, -1);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
    QVERIFY(compare.isOn() && !compare.isComparing());
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("Ground truth 3 x 3 does not match the flow's 4 x 3"));
    QCOMPARE(closer->count(), 0);

    step(w, 2);
    QCOMPARE(shownName(w), QStringLiteral("b.flo"));
    step(w, 1);
    QCOMPARE(shownName(w), QStringLiteral("a.flo"));
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("1"));
    QCOMPARE(paneBytes(compare.panes().epeLayer()), planeBytes(compare.pair()->epe));
}

void TestCompareStepping::keysAndTheWheelKeepComparing()
{
    Vek_Zandor w;
    openByName(w, path("est/a.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt/a.flo")));

    auto *keys = w.findChild<KeyBrowser *>();
    keys->lastAction()->trigger();
    QTRY_COMPARE(shownName(w), QStringLiteral("e.flo"));
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("5"));

    // A notch toward the user over the EPE pane steps back.
    QGraphicsSceneWheelEvent wheel(QEvent::GraphicsSceneWheel);
    wheel.setDelta(120);
    wheel.setOrientation(Qt::Vertical);
    w.scene->sendEvent(compare.panes().epeLayer(), &wheel);
    QCOMPARE(shownName(w), QStringLiteral("d.flo"));
    QVERIFY(!compare.isComparing());

    keys->previousAction()->trigger();
    QTRY_COMPARE(shownName(w), QStringLiteral("c.flo"));
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("3"));
}

void TestCompareStepping::readoutUnderThePointerFollowsTheStep()
{
    Vek_Zandor w;
    openByName(w, path("est/a.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt/a.flo")));
    QCOMPARE(hoverText(w, compare.panes().epeLayer(), {1, 2}),
             QStringLiteral("(x:1, y:2)=[1, 0] gt=[0, 0] epe=1"));
    step(w, 2); // back past the first: a.flo again, the pointer still there
    step(w, -2);
    QCOMPARE(shownName(w), QStringLiteral("c.flo"));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("(x:1, y:2)=[3, 0] gt=[0, 0] epe=3"));
}

// F5 reads both files again, and a pair chosen by hand keeps its ground truth whatever its name.
void TestCompareStepping::reloadKeepsTheChosenPair()
{
    QVERIFY(writeFile(path("gt/truth.flo"), floBytesFilled(4, 3, 0.5f, 0)));
    Vek_Zandor w;
    openByName(w, path("est/b.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt/truth.flo")));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("1.5"));

    QVERIFY(writeFile(path("gt/truth.flo"), floBytesFilled(4, 3, 0.25f, 0)));
    QVERIFY(writeFile(path("est/b.flo"), floBytesFilled(4, 3, 1, 0)));
    QVERIFY(w.document()->reload().isEmpty());
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtName"), QStringLiteral("truth.flo"));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("0.75"));
    QCOMPARE(captionTexts(compare).value(0), QStringLiteral("Estimate (4 X 3)"));
    QVERIFY(!w.leftLabel->isVisible());
}

void TestCompareStepping::aFolderAsGroundTruth()
{
    Vek_Zandor w;
    openByName(w, path("est/b.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt")));
    QVERIFY(compare.isOn() && !compare.isComparing());
    QCOMPARE(w.statusBar()->currentMessage(),
             "No ground truth for b.flo in " + QDir::toNativeSeparators(path("gt")));
    step(w, 1);
    QCOMPARE(shownName(w), QStringLiteral("a.flo"));
    QVERIFY(compare.isComparing());
    QCOMPARE(closer->count(), 0);
}

void TestCompareStepping::groundTruthIsFoundByBaseName()
{
    QDir(dir->path()).mkdir("mixed");
    const auto put = [this](const QString &name) {
        QVERIFY(writeFile(path("mixed/" + name), floBytesFilled(2, 2, 0, 0)));
    };
    put("x.flo");
    writePfm(path("mixed/x.pfm"), 2, 2, 0, 0);
    writePfm(path("mixed/y.pfm"), 2, 2, 0, 0);
    put("run.1.flo");
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(path("mixed/z.png")));
    QVERIFY(picture.save(path("mixed/y.png")));

    const QString mixed = path("mixed");
    // The estimate's own format first, then any other.
    QCOMPARE(groundTruthFor("/elsewhere/x.flo", mixed), path("mixed/x.flo"));
    QCOMPARE(groundTruthFor("/elsewhere/x.pfm", mixed), path("mixed/x.pfm"));
    QCOMPARE(groundTruthFor("/elsewhere/x.npy", mixed), path("mixed/x.flo"));
    // A picture of the name is no flow.
    QCOMPARE(groundTruthFor("/elsewhere/y.png", mixed), path("mixed/y.pfm"));
    QCOMPARE(groundTruthFor("/elsewhere/z.flo", mixed), QString());
    // Only the last suffix goes.
    QCOMPARE(groundTruthFor("/elsewhere/run.1.pfm", mixed), path("mixed/run.1.flo"));
    QCOMPARE(groundTruthFor("/elsewhere/run.flo", mixed), QString());
    // In the estimate's own folder, the estimate is not its own ground truth.
    QCOMPARE(groundTruthFor(path("mixed/x.flo"), mixed), path("mixed/x.pfm"));
    QCOMPARE(groundTruthFor(path("mixed/run.1.flo"), mixed), QString());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestCompareStepping)
#include "test_compare_stepping.moc"
