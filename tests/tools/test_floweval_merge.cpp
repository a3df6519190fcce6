// floweval's shards and --merge: shards pooled to the bytes of one run, and what a merge
// refuses to pool.

#include "eval_dataset.h"
#include "flo2png_process.h"

#include <QTemporaryDir>
#include <QTest>

class TestFlowEvalMerge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shardsMergeToTheWholeRun();
    void mergeRefusesWhatItCannotPool();

private:
    QTemporaryDir dir_;
};

void TestFlowEvalMerge::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(writeDataset(dir_.path(), 10).evaluated > 0);
}

void TestFlowEvalMerge::shardsMergeToTheWholeRun()
{
    const Flo2PngResult whole = runFlowEval({"--csv", "whole.csv", "est", "gt"}, dir_.path());
    QCOMPARE(whole.status, 0);
    QStringList shards;
    for (int k = 0; k < 3; ++k) {
        const QString csv = QStringLiteral("shard%1.csv").arg(k);
        const Flo2PngResult r = runFlowEval(
            {"--shard", QStringLiteral("%1/3").arg(k), "--csv", csv, "est", "gt"}, dir_.path());
        QCOMPARE(r.status, 0);
        // Pairs k, k + 3, ...
        const QList<QStringList> rows = csvRows(QString::fromUtf8(readAll(dir_.filePath(csv))));
        QCOMPARE(rows.size(), 2 + (10 - k + 2) / 3);
        QCOMPARE(rows.at(1).at(0),
                 QStringLiteral("est/frame_%1.flo").arg(k, 4, 10, QLatin1Char('0')));
        shards.prepend(csv); // in reverse: the merge puts the pairs in order itself
    }
    const Flo2PngResult merged =
        runFlowEval(QStringList{"--merge", "--csv", "merged.csv"} + shards, dir_.path());
    QCOMPARE(merged.err, QString());
    QCOMPARE(merged.status, 0);
    QCOMPARE(readAll(dir_.filePath("merged.csv")), readAll(dir_.filePath("whole.csv")));
    QCOMPARE(merged.out, whole.out);

    // More shards than pairs: the empty ones merge too.
    const Flo2PngResult empty = runFlowEval(
        {"--shard", "0/2", "--csv", "-", "est/frame_0000.flo", "gt/frame_0000.flo"}, dir_.path());
    QCOMPARE(empty.status, 0);
    const Flo2PngResult none = runFlowEval(
        {"--shard", "1/2", "--csv", "none.csv", "est/frame_0000.flo", "gt/frame_0000.flo"},
        dir_.path());
    QCOMPARE(none.status, 0);
    QVERIFY(none.out.contains(QLatin1String("\nall ")));
    QVERIFY(none.out.contains(QLatin1String(" nan ")));
    QVERIFY(writeBytes(dir_.filePath("one.csv"), empty.out.toUtf8()));
    const Flo2PngResult both =
        runFlowEval({"--merge", "--csv", "-", "none.csv", "one.csv"}, dir_.path());
    QCOMPARE(both.status, 0);
    QCOMPARE(both.out, empty.out);
}

void TestFlowEvalMerge::mergeRefusesWhatItCannotPool()
{
    QVERIFY(runFlowEval({"-q", "--csv", "whole.csv", "est", "gt"}, dir_.path()).status == 0);
    // 20 evaluated of 16 known.
    QVERIFY(writeBytes(dir_.filePath("bad.csv"),
                       kEvalCsvHeader.toUtf8() +
                           "\nest/x.flo,gt/x.flo,4,4,20,1,1,1,1,1,1,1,16,1,1,0,0,0,0\n"));
    const Flo2PngResult r = runFlowEval(
        {"--merge", "--csv", "out.csv", "whole.csv", "whole.csv", "bad.csv", "absent.csv"},
        dir_.path());
    QCOMPARE(r.status, 1);
    const QStringList errors = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 12);
    QCOMPARE(errors.at(0), QStringLiteral("floweval: est/frame_0000.flo appears in whole.csv "
                                          "and again in whole.csv; the second is left out"));
    QCOMPARE(errors.at(10),
             QStringLiteral("floweval: bad.csv: line 2: the counts contradict each other"));
    QVERIFY(errors.at(11).startsWith(QLatin1String("floweval: absent.csv: ")));
    // What could be pooled is pooled once.
    QCOMPARE(readAll(dir_.filePath("out.csv")), readAll(dir_.filePath("whole.csv")));

    // A CSV of another program is refused by its header.
    QVERIFY(writeBytes(dir_.filePath("bad.csv"),
                       "estimate,ground_truth,width,height,evaluated,coverage,aee,aae,fl_all,px1,"
                       "px3,px5\n"));
    const Flo2PngResult foreign = runFlowEval({"--merge", "bad.csv"}, dir_.path());
    QCOMPARE(foreign.status, 1);
    QVERIFY(
        foreign.err.startsWith(QLatin1String("floweval: bad.csv: not a CSV written by floweval")));
}

QTEST_GUILESS_MAIN(TestFlowEvalMerge)
#include "test_floweval_merge.moc"
