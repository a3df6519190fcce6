// floweval's breakdowns and per-image means against the library's figures, and the masks that
// fail a pair without stopping the others.

#include "eval_dataset.h"
#include "flo2png_process.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

const QStringList kMaskOptions{"-r", "--occ", "occ", "--fg", "fg", "--exclude", "exclude"};

// A CSV row's cells by their column's name.
struct CsvTable {
    QStringList header;
    QList<QStringList> rows;
    QString at(int row, const char *column) const
    {
        return rows.at(row).at(header.indexOf(QLatin1String(column)));
    }
    double number(int row, const char *column) const
    {
        const QString text = at(row, column);
        return text == QLatin1String("nan") ? std::nan("") : text.toDouble();
    }
};

CsvTable csvTable(const QString &text)
{
    QList<QStringList> rows = csvRows(text);
    const QStringList header = rows.takeFirst();
    return {header, rows};
}

} // namespace

class TestFlowEvalBreakdowns : public QObject
{
    Q_OBJECT

private slots:
    void masksGiveTheLibrarysFigures();
    void imageMeansLeaveOutEmptyPairs();
    void masksThatFailAPair();
};

void TestFlowEvalBreakdowns::masksGiveTheLibrarysFigures()
{
    QTemporaryDir work;
    writeScenes(work.path());
    writeSceneMasks(work.path());
    const Flo2PngResult r = runFlowEval(kMaskOptions + QStringList{"--csv", "-", "est", "gt"},
                                        work.path());
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    const CsvTable csv = csvTable(r.out);
    // Pairs 0-2, alley_1/, pairs 3-4, alley_2/, all.
    for (const auto &[row, pair] : {std::pair{0, 0}, {1, 1}, {2, 2}, {4, 3}, {5, 4}}) {
        const EvalSums s = maskedSums(pair);
        const EvalFigures f = evalFigures(s);
        QVERIFY(s.unmatched > 0 && s.foreground > 0);
        const std::pair<const char *, double> expected[] = {
            {"evaluated", double(s.evaluated)}, {"gt_known", double(s.gtKnown)},
            {"unmatched", double(s.unmatched)}, {"fg_outliers", double(s.fgOutliers)},
            {"matched_epe_sum", s.matchedEpe},  {"aee_unmatched", f.aeeUnmatched},
            {"fl_bg", f.flBg},                  {"fl_fg", f.flFg},
            {"aee_s10_40", f.aeeSpeed[1]},      {"coverage", f.coverage}};
        for (const auto &[column, value] : expected)
            QVERIFY2(sameDouble(csv.number(row, column), value), column);
    }
    // The masks take pixels out: fewer known than without them.
    QVERIFY(maskedSums(0).gtKnown < sumsOf(datasetPair(0)).gtKnown);

    const Flo2PngResult table = runFlowEval(kMaskOptions + QStringList{"est", "gt"}, work.path());
    const QString heading = table.out.section(QLatin1Char('\n'), 0, 0);
    for (const char *title : {"s0-10", "s10-40", "s40+", "matched", "unmatched", "Fl-bg%", "Fl-fg%"})
        QVERIFY2(heading.contains(QLatin1String(title)), qPrintable(heading));
}

void TestFlowEvalBreakdowns::imageMeansLeaveOutEmptyPairs()
{
    QTemporaryDir work;
    writeScenes(work.path());
    // A sixth pair whose estimate knows nothing.
    Planes empty = datasetPair(5);
    for (float *plane : {empty.ue.data(), empty.ve.data()})
        std::fill(plane, plane + empty.ue.size(), std::nanf(""));
    writePlanes(empty, work.filePath("est/alley_2/frame_0002.flo"),
                work.filePath("gt/alley_2/frame_0002.flo"), FlowFormat::Flo);

    const Flo2PngResult r =
        runFlowEval({"-r", "--average", "image", "--json", "-", "est", "gt"}, work.path());
    QCOMPARE(r.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json.value("average").toString(), QStringLiteral("image"));
    const QJsonArray pairs = json.value("pairs").toArray();
    QCOMPARE(pairs.size(), 6);
    const QJsonObject all = json.value("all").toObject();
    QCOMPARE(all.value("images").toInt(), 5);
    QCOMPARE(json.value("folders").toArray().at(1).toObject().value("images").toInt(), 2);
    for (const char *figure : {"aee", "coverage", "fl_all", "aee_s0_10"}) {
        double sum = 0;
        for (int k = 0; k < 5; ++k)
            sum += pairs.at(k).toObject().value(figure).toDouble();
        QVERIFY2(sameDouble(all.value(figure).toDouble(), sum / 5), figure);
    }
    // Pixel means differ: the pairs' sizes weigh.
    const QJsonObject pixel = QJsonDocument::fromJson(
        runFlowEval({"-r", "--json", "-", "est", "gt"}, work.path()).out.toUtf8()).object();
    QVERIFY(pixel.value("all").toObject().value("aee").toDouble() != all.value("aee").toDouble());
    QCOMPARE(pixel.value("all").toObject().value("evaluated"), all.value("evaluated"));
}

void TestFlowEvalBreakdowns::masksThatFailAPair()
{
    QTemporaryDir work;
    writeScenes(work.path());
    writeSceneMasks(work.path());
    QVERIFY(QFile::remove(work.filePath("occ/alley_2/frame_0001.png")));
    QVERIFY(QImage(4, 4, QImage::Format_Grayscale8).save(work.filePath("fg/alley_1/frame_0000.png")));
    // Two pictures of one name: which one is meant cannot be guessed.
    QVERIFY(QFile::copy(work.filePath("exclude/alley_1/frame_0002.png"),
                        work.filePath("exclude/alley_1/frame_0002.bmp")));
    const Flo2PngResult r =
        runFlowEval(kMaskOptions + QStringList{"-q", "--csv", "-", "est", "gt"}, work.path());
    QCOMPARE(r.status, 1);
    const QStringList errors = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors, (QStringList{
                         "floweval: fg/alley_1/frame_0000.png: mask 4 x 4 does not match the "
                         "flow's 13 x 9",
                         "floweval: gt/alley_1/frame_0002.flo: no exclusion mask: more than one "
                         "picture named frame_0002.*: exclude/alley_1/frame_0002.bmp, "
                         "exclude/alley_1/frame_0002.png",
                         "floweval: gt/alley_2/frame_0001.pfm: no occlusion mask: no picture "
                         "named frame_0001.* in occ/alley_2"}));
    const CsvTable csv = csvTable(r.out);
    QCOMPARE(csv.rows.size(), 5); // a pair of each scene, each with its folder's row, and all
    QCOMPARE(csv.at(0, "estimate"), QStringLiteral("est/alley_1/frame_0001.flo"));
    QCOMPARE(csv.at(2, "estimate"), QStringLiteral("est/alley_2/frame_0000.flo"));

    QCOMPARE(runFlowEval({"--occ", "nowhere", "est", "gt"}, work.path()).err,
             QStringLiteral("floweval: --occ needs a folder of masks: 'nowhere'\n"
                            "Try 'floweval --help' for more information.\n"));
}

QTEST_GUILESS_MAIN(TestFlowEvalBreakdowns)
#include "test_floweval_breakdowns.moc"
