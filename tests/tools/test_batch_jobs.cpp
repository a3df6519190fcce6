// -j for flo2png and flowconvert: whatever the number of threads and whichever input finishes
// first, the same outputs and the same standard error, byte for byte, failures included; every
// output written whole; a bad -j refused as floweval refuses it.

#include "flo2png_process.h"
#include "flo_writer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Every file under root with its bytes, by name relative to root.
QMap<QString, QByteArray> filesUnder(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(root).relativeFilePath(path),
                     f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)"));
    }
    return files;
}

Flo2PngResult runTool(const QString &tool, const QStringList &arguments)
{
    if (tool == QLatin1String("flo2png"))
        return runFlo2Png(arguments);
    if (tool == QLatin1String("flowconvert"))
        return runFlowConvert(arguments);
    return runFlowEval(arguments);
}

} // namespace

class TestBatchJobs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sameReportWhateverTheThreads_data();
    void sameReportWhateverTheThreads();
    void badJobsAreUsageErrors_data();
    void badJobsAreUsageErrors();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestBatchJobs::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestBatchJobs::sameReportWhateverTheThreads_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("options"); // before -j, -d and the inputs
    QTest::addColumn<QString>("outputSuffix");
    QTest::newRow("flo2png") << "flo2png" << QStringList{"--channels"} << "_colorview.png";
    QTest::newRow("flowconvert") << "flowconvert" << QStringList{"-t", "npy"} << ".npy";
}

// The first input is large and slow, the others small: with several threads most finish before
// it, yet every message must wait for it. Failures of reading and of writing are mixed in.
void TestBatchJobs::sameReportWhateverTheThreads()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, options);
    QFETCH(QString, outputSuffix);
    QStringList inputs;
    const auto add = [&](const QString &name, const QByteArray &bytes) {
        inputs << path("in/" + name);
        if (!bytes.isNull())
            QVERIFY(writeFile(inputs.last(), bytes));
    };
    QVERIFY(QDir().mkpath(path("in")));
    add("a_large.flo", numberedField(1200, 900, 0.01f));
    add("b_bad_tag.flo", floBytes(2, 2, std::vector<float>(8, 1.0f), 1.5f));
    add("c.flo", numberedField(30, 20, 1.0f));
    add("d_missing.flo", QByteArray());
    add("e.flo", numberedField(20, 30, 2.0f));
    add("f_short.flo", floBytesFilled(40, 40, 1.0f, 2.0f).left(300));
    add("g_unwritable.flo", numberedField(10, 10, 3.0f));
    add("h.flo", numberedField(16, 16, 4.0f));
    add("i_bad_size.flo", floBytes(-3, 2, {}));
    add("j.flo", numberedField(25, 25, 5.0f));
    // A folder where an output goes: the rename over it fails.
    const QString out = path("out");
    QVERIFY(QDir().mkpath(out + "/g_unwritable" + outputSuffix + "/inside"));

    Flo2PngResult first;
    QMap<QString, QByteArray> firstFiles;
    for (int threads : {1, 2, 4, 9}) {
        const Flo2PngResult run = runTool(
            tool, options + QStringList{"-j", QString::number(threads), "-d", out} + inputs);
        const QMap<QString, QByteArray> files = filesUnder(out);
        for (const QString &name : files.keys())
            QVERIFY2(!name.contains(".flowtmp-"), qPrintable(name)); // no temporary left
        if (threads == 1) {
            QCOMPARE(run.status, 1);
            const QStringList lines = run.err.split('\n');
            QCOMPARE(lines.size(), 7); // five faults, the summary, the final newline
            QVERIFY2(lines.at(0).contains("b_bad_tag.flo"), qPrintable(run.err));
            QVERIFY2(lines.at(1).contains("d_missing.flo"), qPrintable(run.err));
            QVERIFY2(lines.at(2).contains("f_short.flo"), qPrintable(run.err));
            QVERIFY2(lines.at(3).contains("g_unwritable"), qPrintable(run.err));
            QVERIFY2(lines.at(4).contains("i_bad_size.flo"), qPrintable(run.err));
            QVERIFY2(lines.at(5).startsWith(tool + ": 5 of 10 inputs not converted"),
                     qPrintable(run.err));
            QVERIFY(files.contains("a_large" + outputSuffix));
            QVERIFY(files.contains("j" + outputSuffix));
            first = run;
            firstFiles = files;
            continue;
        }
        QCOMPARE(run.status, first.status);
        QCOMPARE(run.err, first.err);
        QCOMPARE(run.out, first.out);
        QCOMPARE(files.keys(), firstFiles.keys());
        QVERIFY2(files == firstFiles, "the outputs differ from those of -j1");
    }
}

void TestBatchJobs::badJobsAreUsageErrors_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("value");
    for (const char *tool : {"flo2png", "flowconvert", "floweval"}) {
        for (const char *value : {"0", "-1", "two", "1.5", "", "257"})
            QTest::addRow("%s -j '%s'", tool, value) << tool << value;
    }
}

void TestBatchJobs::badJobsAreUsageErrors()
{
    QFETCH(QString, tool);
    QFETCH(QString, value);
    const QString input = path("x.flo");
    QVERIFY(writeFile(input, numberedField(4, 3, 1.0f)));
    QStringList arguments{"-j", value, input};
    if (tool == QLatin1String("flowconvert"))
        arguments << path("x.npy");
    if (tool == QLatin1String("floweval"))
        arguments << input;
    const Flo2PngResult run = runTool(tool, arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, QStringLiteral("%1: -j needs a whole number from 1 to 256: '%2'\n"
                                     "Try '%1 --help' for more information.\n")
                          .arg(tool, value));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.flo"});
}

QTEST_GUILESS_MAIN(TestBatchJobs)
#include "test_batch_jobs.moc"
