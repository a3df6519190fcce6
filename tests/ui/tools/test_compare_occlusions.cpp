// Compare mode with occlusion masks: found in the dataset's layout and by hand, following the
// steps, the matched and unmatched EPE and the speed bands in the group, and the outline.

#include "compare_fixture.h"
#include "flo_writer.h"
#include "ground_truth_pair.h"
#include "modal_closer.h"
#include "occlusion_masks.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString figure(const Vek_Zandor &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

// A 4 x 3 estimate whose u is its column plus one: against a ground truth of 0, the EPE of
// columns 0 to 3 is 1 to 4.
QByteArray columnsEstimate()
{
    std::vector<float> uv;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            uv.insert(uv.end(), {float(x + 1), 0.0f});
    return floBytes(4, 3, uv);
}

// Occluded where x < columns.
bool writeMask(const QString &path, int columns, int width = 4)
{
    QImage mask(width, 3, QImage::Format_Grayscale8);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < 3; ++y)
            mask.scanLine(y)[x] = x < columns ? 255 : 0;
    return QDir().mkpath(QFileInfo(path).absolutePath()) && mask.save(path);
}

} // namespace

class TestCompareOcclusions : public QObject
{
    Q_OBJECT

private slots:
    void masksFollowTheDatasetAndTheSteps();
    void outlineOnTheEpePane();
};

void TestCompareOcclusions::masksFollowTheDatasetAndTheSteps()
{
    ModalCloser closer;
    QTemporaryDir dir;
    const auto path = [&dir](const QString &name) { return dir.filePath(name); };
    QVERIFY(QDir(dir.path()).mkpath("est/alley") && QDir(dir.path()).mkpath("flow/alley"));
    for (const char *frame : {"frame_0001", "frame_0002", "frame_0003"}) {
        QVERIFY(writeFile(path(QStringLiteral("est/alley/%1.flo").arg(frame)), columnsEstimate()));
        QVERIFY(writeFile(path(QStringLiteral("flow/alley/%1.flo").arg(frame)),
                          floBytesFilled(4, 3, 0, 0)));
    }
    // Sintel's layout for frame 1, a folder beside the ground truth's for frame 2, none for 3.
    QVERIFY(writeMask(path("occlusions/alley/frame_0001.png"), 2));
    QVERIFY(writeMask(path("flow/occlusions/frame_0002.png"), 1));

    Vek_Zandor w;
    openByName(w, path("est/alley/frame_0001.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("flow/alley")));
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtUnmatched"), QStringLiteral("1.5"));
    QCOMPARE(figure(w, "gtMatched"), QStringLiteral("3.5"));
    QCOMPARE(figure(w, "gtS0_10"), QStringLiteral("2.5"));
    QCOMPARE(figure(w, "gtS40"), QStringLiteral("nan"));
    QCOMPARE(figure(w, "gtOcclusionMask"), QStringLiteral("Occlusions: frame_0001.png"));

    step(w, -1);
    QCOMPARE(figure(w, "gtUnmatched"), QStringLiteral("1"));
    QCOMPARE(figure(w, "gtMatched"), QStringLiteral("3"));
    step(w, -1);
    QVERIFY(compare.isComparing());
    QCOMPARE(figure(w, "gtMatched"), QStringLiteral("\u2013"));
    QCOMPARE(figure(w, "gtOcclusionMask"), QStringLiteral("No occlusion mask found"));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("2.5"));

    // A mask of another size leaves the pair compared, without the figures it would give.
    QVERIFY(writeMask(path("flow/occlusions/frame_0002.png"), 1, 5));
    step(w, 1);
    QCOMPARE(figure(w, "gtOcclusionMask"),
             QStringLiteral("Occlusion mask 5 x 3 does not match the flow's 4 x 3"));
    QCOMPARE(figure(w, "gtUnmatched"), QStringLiteral("\u2013"));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("2.5"));

    // A folder chosen by hand takes over; two masks of one name are not guessed between.
    QVERIFY(writeMask(path("masks/frame_0002.bmp"), 3));
    compare.setOcclusionFolder(path("masks"));
    QCOMPARE(figure(w, "gtUnmatched"), QStringLiteral("2"));
    QCOMPARE(figure(w, "gtOcclusionMask"), QStringLiteral("Occlusions: frame_0002.bmp"));
    QVERIFY(writeMask(path("masks/frame_0002.png"), 3));
    compare.setOcclusionFolder(path("masks"));
    QVERIFY(figure(w, "gtOcclusionMask").startsWith("More than one occlusion mask: "));
    QCOMPARE(closer.count(), 0);
}

void TestCompareOcclusions::outlineOnTheEpePane()
{
    // An occluded block in the middle of 6 x 5: its outline is its border, not its inside.
    QTemporaryDir dir;
    const auto path = [&dir](const QString &name) { return dir.filePath(name); };
    QVERIFY(writeFile(path("a.flo"), floBytesFilled(6, 5, 1, 0)));
    QVERIFY(QDir(dir.path()).mkpath("gt"));
    QVERIFY(writeFile(path("gt/a.flo"), floBytesFilled(6, 5, 0, 0)));
    QImage mask(6, 5, QImage::Format_Grayscale8);
    mask.fill(0);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 5; ++x)
            mask.scanLine(y)[x] = 1;
    QVERIFY(QDir(dir.path()).mkpath("gt/occlusions") && mask.save(path("gt/occlusions/a.png")));

    Vek_Zandor w;
    openByName(w, path("a.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt/a.flo")));
    const QByteArray plain = paneBytes(compare.panes().epeLayer());
    QCOMPARE(plain, planeBytes(compare.pair()->epe));
    w.findChild<QCheckBox *>("outlineOcclusions")->click();
    QByteArray expected = plain;
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 5; ++x)
            if (x == 1 || x == 4 || y != 2)
                expected.replace(3 * (6 * y + x), 3,
                                 reinterpret_cast<const char *>(kOutlineColor), 3);
    QCOMPARE(paneBytes(compare.panes().epeLayer()), expected);
    // Remembered, and off again.
    QVERIFY(QSettings().value("compare/outlineOcclusions").toBool());
    compare.setOutlineOcclusions(false);
    QCOMPARE(paneBytes(compare.panes().epeLayer()), plain);
    QVERIFY(!w.findChild<QCheckBox *>("outlineOcclusions")->isChecked());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestCompareOcclusions)
#include "test_compare_occlusions.moc"
