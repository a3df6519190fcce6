// floweval's shards and --merge: shards pooled to the bytes of one run, with -r, masks and
// per-image means too, and every set of files a merge refuses because pooling it would lose or
// double a shard or mix runs of different figures.

#include "eval_dataset.h"
#include "flo2png_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFlowEvalMerge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shardsMergeToTheWholeRun_data();
    void shardsMergeToTheWholeRun();
    void mergeRefusesWhatItCannotPool_data();
    void mergeRefusesWhatItCannotPool();

private:
    QTemporaryDir dir_;
};

namespace {

// The run on est and gt whole as whole.csv, and in three shards as s0.csv to s2.csv.
void runInShards(const QString &dir, const QStringList &options)
{
    const QStringList pairs{"est", "gt"};
    QCOMPARE(runFlowEval(options + QStringList{"-q", "--csv", "whole.csv"} + pairs, dir).status, 0);
    for (int k = 0; k < 3; ++k) {
        const QString csv = QStringLiteral("s%1.csv").arg(k);
        const QStringList shard{"--shard", QStringLiteral("%1/3").arg(k), "--csv", csv};
        QCOMPARE(runFlowEval(options + shard + pairs, dir).status, 0);
        QVERIFY(readAll(dir + "/" + csv).endsWith(QStringLiteral(",%1/3\n").arg(k).toUtf8()));
    }
}

} // namespace

void TestFlowEvalMerge::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(writeDataset(dir_.filePath("flat"), 10).evaluated > 0);
    QVERIFY(writeScenes(dir_.filePath("scenes")).size() == 2);
    runInShards(dir_.filePath("flat"), {});
    runInShards(dir_.filePath("scenes"), {"-r"});
    const QString masked = dir_.filePath("masked");
    QVERIFY(writeScenes(masked).size() == 2);
    writeSceneMasks(masked);
    runInShards(masked, {"-r", "--occ", "occ", "--fg", "fg", "--exclude", "exclude", "--average",
                         "image"});
}

void TestFlowEvalMerge::shardsMergeToTheWholeRun_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("one folder") << "flat";
    QTest::newRow("-r, with subtotals") << "scenes";
    QTest::newRow("masks, per-image means") << "masked";
}

void TestFlowEvalMerge::shardsMergeToTheWholeRun()
{
    QFETCH(QString, folder);
    const QString dir = dir_.filePath(folder);
    // Pairs k, k + 3, ...
    const QList<QStringList> first = csvRows(QString::fromUtf8(readAll(dir + "/s1.csv")));
    QCOMPARE(first.at(1).at(0), folder == QLatin1String("flat")
                                    ? QStringLiteral("est/frame_0001.flo")
                                    : QStringLiteral("est/alley_1/frame_0001.flo"));
    // In reverse: the merge puts the pairs in order itself.
    const Flo2PngResult merged =
        runFlowEval({"--merge", "--csv", "merged.csv", "s2.csv", "s1.csv", "s0.csv"}, dir);
    QCOMPARE(merged.err, QString());
    QCOMPARE(merged.status, 0);
    QCOMPARE(readAll(dir + "/merged.csv"), readAll(dir + "/whole.csv"));
    const QStringList options =
        folder == QLatin1String("flat")     ? QStringList()
        : folder == QLatin1String("scenes") ? QStringList{"-r"}
                                            : QStringList{"-r", "--occ", "occ", "--fg", "fg",
                                                          "--exclude", "exclude", "--average",
                                                          "image"};
    const Flo2PngResult table = runFlowEval(options + QStringList{"est", "gt"}, dir);
    QCOMPARE(runFlowEval({"--merge", "s0.csv", "s1.csv", "s2.csv"}, dir).out, table.out);
    // A whole run is a set of one.
    QCOMPARE(runFlowEval({"--merge", "--csv", "-", "whole.csv"}, dir).out,
             QString::fromUtf8(readAll(dir + "/whole.csv")));

    // More shards than pairs: the empty one merges too.
    const QStringList pair{"est/" + first.at(1).at(0).mid(4), "gt/" + first.at(1).at(1).mid(3)};
    for (const char *k : {"0/2", "1/2"})
        QCOMPARE(
            runFlowEval(QStringList{"--shard", k, "--csv", QString(k).left(1) + ".csv"} + pair, dir)
                .status,
            0);
    const Flo2PngResult both = runFlowEval({"--merge", "--csv", "-", "1.csv", "0.csv"}, dir);
    QCOMPARE(both.status, 0);
    QCOMPARE(both.out, runFlowEval(QStringList{"--csv", "-"} + pair, dir).out);
}

void TestFlowEvalMerge::mergeRefusesWhatItCannotPool_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("errors");
    QByteArray s2 = readAll(dir_.filePath("flat/s2.csv"));
    QVERIFY(writeBytes(dir_.filePath("flat/cut.csv"), s2.left(s2.lastIndexOf("\nall,") + 1)));
    QVERIFY(writeBytes(dir_.filePath("flat/four.csv"), s2.replace("2/3\n", "2/4\n")));
    // 20 evaluated of 16 known.
    QVERIFY(writeBytes(dir_.filePath("flat/bad.csv"),
                       kEvalCsvHeader.toUtf8() +
                           "\nest/x.flo,gt/x.flo,4,4,20,1,1,1,1,1,1,1,1,1,1,,pixel,16,1,1,0,0,0,0,"
                           "20,1,0,0,0,0,\n"
                           "all,,,,0,nan,nan,nan,nan,nan,nan,nan,nan,nan,nan,0,pixel,0,0,0,0,0,0,0,"
                           "0,0,0,0,0,0,\n"));
    QVERIFY(writeBytes(dir_.filePath("flat/foreign.csv"),
                       "estimate,ground_truth,width,height,evaluated,coverage,aee,aae,fl_all,px1,"
                       "px3,px5\n"));
    QVERIFY(QFile::copy(dir_.filePath("scenes/s1.csv"), dir_.filePath("flat/nested1.csv")));
    QVERIFY(QFile::copy(dir_.filePath("masked/s1.csv"), dir_.filePath("flat/masked1.csv")));

    QTest::newRow("a shard missing") << QStringList{"s0.csv", "s2.csv"} << "shard 1/3 is missing";
    QTest::newRow("all missing but one") << QStringList{"s1.csv"} << "shards 0/3, 2/3 are missing";
    QTest::newRow("a shard twice") << QStringList{"s0.csv", "s1.csv", "s2.csv", "s1.csv"}
                                   << "shard 1/3 appears in s1.csv and again in s1.csv";
    QTest::newRow("truncated") << QStringList{"s0.csv", "s1.csv", "cut.csv"}
                               << "cut.csv: cut short: the all row is missing\n"
                                  "floweval: shard 2/3 is missing";
    QTest::newRow("disagreeing N")
        << QStringList{"s0.csv", "s1.csv", "s2.csv", "four.csv"}
        << "four.csv is shard 2/4 but s0.csv is of 3 shards: the files disagree on the number "
           "of shards";
    QTest::newRow("a whole run twice") << QStringList{"whole.csv", "whole.csv"}
                                       << "a run without --shard appears in whole.csv and again "
                                          "in whole.csv";
    QTest::newRow("with -r and without")
        << QStringList{"s0.csv", "nested1.csv", "s2.csv"}
        << "nested1.csv is of a run with -r, s2.csv of one without";
    QTest::newRow("other figures")
        << QStringList{"s0.csv", "masked1.csv", "s2.csv"}
        << "s0.csv and masked1.csv are of different runs: one averages per pixel, the other per "
           "image\nfloweval: shard 1/3 is missing";
    QTest::newRow("counts that contradict")
        << QStringList{"bad.csv"} << "bad.csv: line 2: the counts contradict each other";
    QTest::newRow("another program's CSV")
        << QStringList{"foreign.csv"}
        << "foreign.csv: not a CSV written by floweval: the header is not '" + kEvalCsvHeader + "'";
    QTest::newRow("absent") << QStringList{"absent.csv"} << "absent.csv: No such file or directory";
}

void TestFlowEvalMerge::mergeRefusesWhatItCannotPool()
{
    QFETCH(QStringList, files);
    QFETCH(QString, errors);
    const Flo2PngResult r =
        runFlowEval(QStringList{"--merge", "--csv", "out.csv"} + files, dir_.filePath("flat"));
    QCOMPARE(r.err, "floweval: " + errors + "\nfloweval: nothing merged\n");
    QCOMPARE(r.status, 1);
    QVERIFY(!QFile::exists(dir_.filePath("flat/out.csv")));
}

QTEST_GUILESS_MAIN(TestFlowEvalMerge)
#include "test_floweval_merge.moc"
