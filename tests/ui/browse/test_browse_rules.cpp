#include "flo_writer.h"
#include "listing_refresh.h"
#include "pending_steps.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

// Where gathered key steps lead, and the listing after the folder changed: the rules alone,
// without a window.
class TestBrowseRules : public QObject
{
    Q_OBJECT

private slots:
    void gatheredStepsGiveTheWheelsStep_data();
    void gatheredStepsGiveTheWheelsStep();
    void stepsNeverOverflow();
    void listingRefresh_data();
    void listingRefresh();
    void goneFileKeepsItsPlaceAsQDirSorts();
};

void TestBrowseRules::gatheredStepsGiveTheWheelsStep_data()
{
    // Steps: a number moves that many files on, 'F' jumps to the first, 'L' to the last.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("browseStep");
    QTest::newRow("one on") << "1" << 2 << 5 << -1;
    QTest::newRow("one back") << "-1" << 2 << 5 << 1;
    QTest::newRow("two on") << "1 1" << 2 << 5 << -2;
    QTest::newRow("on and back") << "1 -1" << 2 << 5 << 0;
    QTest::newRow("past the end stop at it") << "1 1 1" << 2 << 5 << -2;
    QTest::newRow("past the start stop at it") << "-1 -1 -1 -1" << 2 << 5 << 2;
    QTest::newRow("one on from the end") << "1" << 4 << 5 << -1;
    QTest::newRow("three on from the end") << "1 1 1" << 4 << 5 << -3;
    QTest::newRow("one back from the start") << "-1" << 0 << 5 << 1;
    QTest::newRow("not listed, one on") << "1" << -1 << 5 << -1;
    QTest::newRow("not listed, one back") << "-1" << -1 << 5 << 1;
    QTest::newRow("not listed, three on") << "1 1 1" << -1 << 5 << -3;
    QTest::newRow("first") << "F" << 3 << 5 << 3;
    QTest::newRow("first from the first") << "F" << 0 << 5 << 0;
    QTest::newRow("first, not listed") << "F" << -1 << 5 << -1;
    QTest::newRow("last") << "L" << 1 << 5 << -3;
    QTest::newRow("last, not listed") << "L" << -1 << 5 << -5;
    QTest::newRow("last of none") << "L" << -1 << 0 << 0;
    QTest::newRow("first then two on") << "F 1 1" << 3 << 5 << 1;
    QTest::newRow("last then on") << "L 1 1" << 1 << 5 << -3;
    QTest::newRow("last then back") << "L -1" << 1 << 5 << -2;
    QTest::newRow("steps then first") << "1 1 F" << 3 << 5 << 3;
}

void TestBrowseRules::gatheredStepsGiveTheWheelsStep()
{
    QFETCH(QString, steps);
    QFETCH(int, index);
    QFETCH(int, count);
    QFETCH(int, browseStep);
    PendingSteps pending;
    QVERIFY(pending.isEmpty());
    for (const QString &s : steps.split(QLatin1Char(' '))) {
        if (s == QLatin1String("F"))
            pending.toFirst();
        else if (s == QLatin1String("L"))
            pending.toLast();
        else
            pending.forward(s.toInt());
    }
    QVERIFY(!pending.isEmpty());
    QCOMPARE(pending.browseStep(index, count), browseStep);
    pending.clear();
    QVERIFY(pending.isEmpty());
}

void TestBrowseRules::stepsNeverOverflow()
{
    PendingSteps pending;
    for (int i = 0; i < 4; ++i)
        pending.forward(INT_MAX);
    QCOMPARE(pending.browseStep(INT_MAX - 3, INT_MAX), -2);
    QCOMPARE(pending.browseStep(-1, 3), INT_MIN);
    pending.clear();
    for (int i = 0; i < 4; ++i)
        pending.forward(INT_MIN);
    QCOMPARE(pending.browseStep(1, 3), 1);
    QCOMPARE(pending.browseStep(-1, 3), INT_MAX);
}

void TestBrowseRules::listingRefresh_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("fresh");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("expectedIndex");
    const QStringList abc{"a.flo", "b.flo", "c.flo"};
    QTest::newRow("unchanged") << abc << 1 << abc << abc << 1;
    QTest::newRow("new at the end") << abc << 1 << QStringList{"a.flo", "b.flo", "c.flo", "d.flo"}
                                    << QStringList{"a.flo", "b.flo", "c.flo", "d.flo"} << 1;
    QTest::newRow("new before") << abc << 1 << QStringList{"0.flo", "a.flo", "b.flo", "c.flo"}
                                << QStringList{"0.flo", "a.flo", "b.flo", "c.flo"} << 2;
    QTest::newRow("one before gone")
        << abc << 2 << QStringList{"b.flo", "c.flo"} << QStringList{"b.flo", "c.flo"} << 1;
    QTest::newRow("the current one gone") << abc << 1 << QStringList{"a.flo", "c.flo"} << abc << 1;
    QTest::newRow("all gone") << abc << 2 << QStringList{} << QStringList{"c.flo"} << 0;
    QTest::newRow("not listed") << abc << -1 << QStringList{"a.flo"} << QStringList{"a.flo"} << -1;
    QTest::newRow("index past the end")
        << abc << 3 << QStringList{"a.flo"} << QStringList{"a.flo"} << -1;
}

void TestBrowseRules::listingRefresh()
{
    QFETCH(QStringList, files);
    QFETCH(int, index);
    QFETCH(QStringList, fresh);
    QFETCH(QStringList, expected);
    QFETCH(int, expectedIndex);
    const Listing listing = refreshedListing(files, index, fresh);
    QCOMPARE(listing.files, expected);
    QCOMPARE(listing.index, expectedIndex);
}

// A gone name goes back where QDir put it when it was there, whatever the names.
void TestBrowseRules::goneFileKeepsItsPlaceAsQDirSorts()
{
    QTemporaryDir dir;
    const QStringList names{"B.flo",      "a.flo", "_x.flo", "10.flo", "9.flo",
                            "\u00e9.flo", "Z.flo", "z.flo",  "~.flo"};
    for (const QString &name : names)
        QVERIFY(writeFile(dir.filePath(name), QByteArray("x")));
    const QStringList all = QDir(dir.path()).entryList({"*.flo"}, QDir::Files, QDir::Name);
    QCOMPARE(all.size(), names.size());
    for (int i = 0; i < all.size(); ++i) {
        QStringList fresh = all;
        fresh.removeAt(i);
        const Listing listing = refreshedListing(all, i, fresh);
        QCOMPARE(listing.files, all);
        QCOMPARE(listing.index, i);
    }
}

QTEST_GUILESS_MAIN(TestBrowseRules)
#include "test_browse_rules.moc"
