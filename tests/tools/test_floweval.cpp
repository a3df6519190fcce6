// floweval as a command: its figures against the library's, the CSV read back, threads that
// change no digit, its refusals, messages and exit statuses, and the pictures.

#include "eval_dataset.h"
#include "flo2png_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

const QString kHint = QStringLiteral("Try 'floweval --help' for more information.\n");

} // namespace

class TestFlowEval : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void usageErrors_data();
    void usageErrors();
    void csvReadsBackExactly();
    void pairsThatFailAreSkipped();
    void nestedFoldersHaveSubtotals();
    void threadsPrintTheSameBytes();
    void jsonHoldsTheSameFigures();
    void epePictures();
    void epeNumbers();
    void outputsNeverReplaceInputs();

private:
    QTemporaryDir dir_;
    EvalSums pooled_;
};

void TestFlowEval::initTestCase()
{
    QVERIFY(dir_.isValid());
    pooled_ = writeDataset(dir_.path(), 10);
    QVERIFY(QDir(dir_.path()).mkpath("empty/inner"));
}

void TestFlowEval::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString est = QStringLiteral("est/frame_0000.flo");
    const QString gt = QStringLiteral("gt/frame_0000.flo");
    QTest::newRow("nothing") << QStringList{} << "give an estimate and its ground truth";
    QTest::newRow("three") << QStringList{est, gt, gt}
                           << "give one estimate and one ground truth; folders hold many";
    QTest::newRow("file and folder")
        << QStringList{est, "gt"} << "give two files or two folders: gt is a folder";
    QTest::newRow("-j 0") << QStringList{"-j", "0", est, gt}
                          << "-j needs a whole number from 1 to 256: '0'";
    QTest::newRow("shard K = N") << QStringList{"--shard", "3/3", "est", "gt"}
                                 << "--shard needs K/N with 0 <= K < N: '3/3'";
    QTest::newRow("shard garbage") << QStringList{"--shard", "1of2", "est", "gt"}
                                   << "--shard needs K/N with 0 <= K < N: '1of2'";
    QTest::newRow("--epe for folders")
        << QStringList{"--epe", "x.png", "est", "gt"}
        << "--epe names the picture of one pair; use --epe-dir for folders";
    QTest::newRow("--epe not PNG")
        << QStringList{"--epe", "x.jpg", est, gt} << "the EPE's name must end in .png: 'x.jpg'";
    QTest::newRow("--epe of another format")
        << QStringList{"--epe-format", "npy", "--epe", "x.png", est, gt}
        << "the EPE's name must end in .npy: 'x.png'";
    QTest::newRow("--epe-format unknown")
        << QStringList{"--epe-format", "tiff", "--epe", "x.tiff", est, gt}
        << "--epe-format is png, npy or pfm, not 'tiff'";
    QTest::newRow("both to standard output")
        << QStringList{"--csv", "-", "--json", "-", est, gt}
        << "only one of --csv and --json can go to standard output";
    QTest::newRow("merge with -j") << QStringList{"--merge", "-j", "2", "a.csv"}
                                   << "--jobs applies to evaluating pairs, not to --merge";
    QTest::newRow("merge nothing")
        << QStringList{"--merge"} << "--merge needs the CSV files to pool";
    QTest::newRow("no flows in the folder")
        << QStringList{"gt/..", "gt"} << "no flow files in gt/..; -r reads the folders below it";
    QTest::newRow("no flows below it")
        << QStringList{"-r", "empty", "gt"} << "no flow files in empty or below it";
    QTest::newRow("-r with files")
        << QStringList{"-r", est, gt}
        << "-r reads folders; est/frame_0000.flo and gt/frame_0000.flo are files";
    QTest::newRow("merge with -r") << QStringList{"--merge", "-r", "a.csv"}
                                   << "--recursive applies to evaluating pairs, not to --merge";
    QTest::newRow("CSV over an input")
        << QStringList{"--csv", gt, est, gt} << "gt/frame_0000.flo would be written over its input";
    QTest::newRow("unknown option") << QStringList{"--bogus", est, gt} << "Unknown option 'bogus'.";
}

void TestFlowEval::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QByteArray before = readAll(dir_.filePath("gt/frame_0000.flo"));
    const Flo2PngResult r = runFlowEval(arguments, dir_.path());
    QCOMPARE(r.err, QStringLiteral("floweval: ") + message + QLatin1Char('\n') + kHint);
    QCOMPARE(r.status, 2);
    QCOMPARE(r.out, QString());
    QCOMPARE(readAll(dir_.filePath("gt/frame_0000.flo")), before);
}

void TestFlowEval::csvReadsBackExactly()
{
    const Flo2PngResult r = runFlowEval({"-q", "--csv", "-", "est", "gt"}, dir_.path());
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    const QList<QStringList> rows = csvRows(r.out);
    QCOMPARE(rows.size(), 12);
    QCOMPARE(rows.first().join(QLatin1Char(',')), kEvalCsvHeader);
    for (int i = 0; i < 10; ++i) {
        const QStringList &row = rows.at(i + 1);
        const QString name = QStringLiteral("frame_%1").arg(i, 4, 10, QLatin1Char('0'));
        QCOMPARE(row.at(0), "est/" + name + ".flo");
        QCOMPARE(row.at(1), "gt/" + name + (i % 3 == 2 ? ".png" : ".flo"));
        QCOMPARE(row.at(2), QString::number(13 + 3 * i));
        QCOMPARE(row.at(3), QString::number(9 + i % 4));
        compareRow(row, sumsOf(datasetPair(i)));
    }
    const QStringList &all = rows.last();
    QCOMPARE(all.mid(0, 4), (QStringList{"all", "", "", ""}));
    compareRow(all, pooled_);

    // The table shows the same pairs, rounded, and the pooled line.
    const Flo2PngResult table = runFlowEval({"-q", "est", "gt"}, dir_.path());
    QCOMPARE(table.status, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 12);
    QVERIFY(lines.first().startsWith(QLatin1String("estimate ")));
    QVERIFY(lines.at(1).startsWith(QLatin1String("frame_0000.flo  13x9 ")));
    const EvalFigures f = evalFigures(pooled_);
    QVERIFY(lines.last().startsWith(QLatin1String("all ")));
    QVERIFY(lines.last().contains(QStringLiteral(" %1 ").arg(f.evaluated)));
    QVERIFY(lines.last().contains(QStringLiteral(" %1 ").arg(f.aee, 0, 'f', 3)));
}

void TestFlowEval::pairsThatFailAreSkipped()
{
    QTemporaryDir work;
    QVERIFY(writeDataset(work.path(), 4).evaluated > 0);
    // frame_0001 loses its ground truth, frame_0002's is another size, frame_0003's estimate is
    // cut short, and an estimate appears with a ground truth in two formats.
    QVERIFY(QFile::remove(work.filePath("gt/frame_0001.flo")));
    writePlanes(randomPair(1, 4, 4), work.filePath("est/frame_0002.flo"),
                work.filePath("unused.flo"), FlowFormat::Flo);
    QVERIFY(QFile::resize(work.filePath("est/frame_0003.flo"), 40));
    writePlanes(randomPair(2, 5, 5), work.filePath("est/twice.flo"), work.filePath("gt/twice.flo"),
                FlowFormat::Flo);
    QVERIFY(QFile::copy(work.filePath("gt/twice.flo"), work.filePath("gt/twice.pfm")) || true);
    writeFlow(FlowFormat::Pfm, randomPair(2, 5, 5).ug, randomPair(2, 5, 5).vg,
              QFile::encodeName(work.filePath("gt/twice.pfm")).constData());

    const Flo2PngResult r = runFlowEval({"--csv", "all.csv", "est", "gt"}, work.path());
    QCOMPARE(r.status, 1);
    const QStringList errors = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 5);
    QCOMPARE(errors.at(0), QStringLiteral("floweval: est/frame_0001.flo: no ground truth named "
                                          "frame_0001 in gt"));
    QCOMPARE(errors.at(1), QStringLiteral("floweval: est/frame_0002.flo is 4 x 4, its ground "
                                          "truth gt/frame_0002.png is 19 x 11"));
    QVERIFY2(errors.at(2).startsWith(QLatin1String("floweval: ")) &&
                 errors.at(2).contains(QLatin1String("est/frame_0003.flo")),
             qPrintable(errors.at(2)));
    QCOMPARE(errors.at(3), QStringLiteral("floweval: est/twice.flo: several ground truths named "
                                          "twice: gt/twice.flo, gt/twice.pfm"));
    QCOMPARE(errors.at(4), QStringLiteral("floweval: 4 of 5 pairs not evaluated"));
    // The pair that could be evaluated is there, alone in the pool.
    const QList<QStringList> rows = csvRows(QString::fromUtf8(readAll(work.filePath("all.csv"))));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(1).at(0), QStringLiteral("est/frame_0000.flo"));
    compareRow(rows.at(2), sumsOf(randomPair(100, 9, 13)));

    // Quiet keeps the messages and drops the summary.
    const Flo2PngResult quiet = runFlowEval({"-q", "est", "gt"}, work.path());
    QCOMPARE(quiet.status, 1);
    QCOMPARE(quiet.err.count(QLatin1Char('\n')), 4);
    QVERIFY(!quiet.err.contains(QLatin1String("not evaluated")));

    // An unreadable single pair.
    const Flo2PngResult missing = runFlowEval({"nothing.flo", "gt/frame_0000.flo"}, work.path());
    QCOMPARE(missing.status, 1);
    QCOMPARE(missing.err, QStringLiteral("floweval: ReadFlowFile: could not open nothing.flo\n"
                                         "floweval: 1 of 1 pairs not evaluated\n"));
}

void TestFlowEval::nestedFoldersHaveSubtotals()
{
    QTemporaryDir work;
    const QList<EvalSums> scenes = writeScenes(work.path());
    const Flo2PngResult r = runFlowEval({"-r", "--csv", "-", "est", "gt"}, work.path());
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    const QList<QStringList> rows = csvRows(r.out);
    QStringList names;
    for (const QStringList &row : rows.mid(1))
        names << row.at(0) + QLatin1Char('|') + row.at(1) + QLatin1Char('|') + row.at(2);
    QCOMPARE(names, (QStringList{"est/alley_1/frame_0000.flo|gt/alley_1/frame_0000.flo|13",
                                 "est/alley_1/frame_0001.flo|gt/alley_1/frame_0001.pfm|16",
                                 "est/alley_1/frame_0002.flo|gt/alley_1/frame_0002.flo|19",
                                 "alley_1/|alley_1/|",
                                 "est/alley_2/frame_0000.flo|gt/alley_2/"
                                 "frame_0000.flo|22",
                                 "est/alley_2/frame_0001.flo|gt/alley_2/frame_0001.pfm|25",
                                 "alley_2/|alley_2/|", "all||"}));
    compareRow(rows.at(4), scenes.at(0));
    compareRow(rows.at(7), scenes.at(1));
    // The all row pools the pairs one after another, not the scenes' subtotals.
    EvalSums all;
    for (int k = 0; k < 5; ++k)
        all += sumsOf(datasetPair(k));
    compareRow(rows.at(8), all);

    // A subtotal is the run on that scene's folders alone, to the last digit.
    for (const auto &[scene, row] : {std::pair{"alley_1", 4}, std::pair{"alley_2", 7}}) {
        const Flo2PngResult alone = runFlowEval(
            {"--csv", "-", QStringLiteral("est/") + scene, QStringLiteral("gt/") + scene},
            work.path());
        QCOMPARE(alone.status, 0);
        QCOMPARE(rows.at(row).mid(2), csvRows(alone.out).last().mid(2));
    }

    // The table names the pairs by relative path, so the scenes' frames are told apart.
    const Flo2PngResult table = runFlowEval({"-r", "est", "gt"}, work.path());
    QCOMPARE(table.status, 0);
    QStringList shown;
    for (const QString &line : table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
        shown << line.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(shown, (QStringList{"alley_1/frame_0000.flo", "alley_1/frame_0001.flo",
                                 "alley_1/frame_0002.flo", "alley_1/", "alley_2/frame_0000.flo",
                                 "alley_2/frame_0001.flo", "alley_2/", "all"}));

    // A missing ground truth in one scene is reported with that scene's folder; pictures keep
    // each scene's folder, as the frames' names repeat.
    QVERIFY(QFile::remove(work.filePath("gt/alley_2/frame_0000.flo")));
    const Flo2PngResult partial =
        runFlowEval({"-r", "-q", "--epe-dir", "pictures", "--csv", "-", "est", "gt"}, work.path());
    QCOMPARE(partial.status, 1);
    QCOMPARE(partial.err, QStringLiteral("floweval: est/alley_2/frame_0000.flo: no ground truth "
                                         "named frame_0000 in gt/alley_2\n"));
    QCOMPARE(csvRows(partial.out).at(6).at(0), QStringLiteral("alley_2/"));
    for (const char *picture : {"alley_1/frame_0000_epe.png", "alley_2/frame_0001_epe.png"})
        QVERIFY2(QFileInfo::exists(work.filePath("pictures/") + picture), picture);
}

void TestFlowEval::threadsPrintTheSameBytes()
{
    QByteArray firstCsv;
    QString firstTable;
    for (const char *threads : {"1", "2", "3"}) {
        const QString csv = QStringLiteral("j%1.csv").arg(QLatin1String(threads));
        const Flo2PngResult r =
            runFlowEval({"-j", threads, "--csv", csv, "est", "gt"}, dir_.path());
        QCOMPARE(r.status, 0);
        const QByteArray bytes = readAll(dir_.filePath(csv));
        QVERIFY(!bytes.isEmpty());
        if (firstCsv.isEmpty()) {
            firstCsv = bytes;
            firstTable = r.out;
            continue;
        }
        QCOMPARE(bytes, firstCsv);
        QCOMPARE(r.out, firstTable);
    }
}

void TestFlowEval::jsonHoldsTheSameFigures()
{
    const Flo2PngResult r = runFlowEval({"--json", "-", "est", "gt"}, dir_.path());
    QCOMPARE(r.status, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray pairs = doc.object().value("pairs").toArray();
    QCOMPARE(pairs.size(), 10);
    const QJsonObject first = pairs.at(0).toObject();
    QCOMPARE(first.value("estimate").toString(), QStringLiteral("est/frame_0000.flo"));
    QCOMPARE(first.value("width").toInt(), 13);
    const EvalFigures f = evalFigures(sumsOf(randomPair(100, 9, 13)));
    QVERIFY(sameDouble(first.value("aee").toDouble(), f.aee));
    QVERIFY(sameDouble(first.value("px3").toDouble(), f.px3));
    const QJsonObject all = doc.object().value("all").toObject();
    QVERIFY(sameDouble(all.value("aae").toDouble(), evalFigures(pooled_).aae));

    // No figure without an evaluated pixel: null, as JSON has no NaN.
    QTemporaryDir work;
    Planes p = randomPair(5, 2, 2);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            p.ug[i][j] = std::nanf("");
    writePlanes(p, work.filePath("e.flo"), work.filePath("g.flo"), FlowFormat::Flo);
    const Flo2PngResult empty = runFlowEval({"--json", "-", "e.flo", "g.flo"}, work.path());
    QCOMPARE(empty.status, 0);
    const QJsonObject none = QJsonDocument::fromJson(empty.out.toUtf8()).object();
    QVERIFY(none.value("all").toObject().value("aee").isNull());
    QCOMPARE(none.value("all").toObject().value("evaluated").toInt(), 0);
}

// The EPE as float32 numbers, H x W, NaN where a pixel is not evaluated: NumPy's layout row by
// row, PFM's from the bottom row up.
void TestFlowEval::epeNumbers()
{
    QTemporaryDir work;
    for (const char *format : {"npy", "pfm"}) {
        const Flo2PngResult r = runFlowEval(
            {"-q", "--epe-format", format, "--epe-dir", work.filePath(format), "est", "gt"},
            dir_.path());
        QCOMPARE(r.status, 0);
        const Planes p = datasetPair(2);
        QFile file(work.filePath(QStringLiteral("%1/frame_0002_epe.%1").arg(format)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const int rows = p.ug.rows(), cols = p.ug.cols();
        const QByteArray header =
            format == QByteArray("npy")
                ? bytes.left(bytes.indexOf('\n') + 1)
                : QStringLiteral("Pf\n%1 %2\n-1\n").arg(cols).arg(rows).toLatin1();
        QVERIFY(bytes.startsWith(header));
        if (format == QByteArray("npy")) {
            QCOMPARE(header.size() % 64, 0);
            QVERIFY(header.contains(
                QStringLiteral("'shape': (%1, %2)").arg(rows).arg(cols).toLatin1()));
        }
        QCOMPARE(bytes.size(), header.size() + 4 * rows * cols);
        int unknown = 0;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x) {
                const int row = format == QByteArray("npy") ? y : rows - 1 - y;
                float value;
                std::memcpy(&value, bytes.constData() + header.size() + 4 * (row * cols + x), 4);
                const bool known = std::fabs(p.ue[y][x]) <= 1e9f && std::fabs(p.ve[y][x]) <= 1e9f &&
                                   std::fabs(p.ug[y][x]) <= 1e9f && std::fabs(p.vg[y][x]) <= 1e9f;
                const double du = double(p.ue[y][x]) - p.ug[y][x];
                const double dv = double(p.ve[y][x]) - p.vg[y][x];
                unknown += !known;
                if (known)
                    QCOMPARE(value, float(std::sqrt(du * du + dv * dv)));
                else
                    QVERIFY(std::isnan(value));
            }
        QVERIFY(unknown > 0);
    }
}

void TestFlowEval::epePictures()
{
    QTemporaryDir work;
    const Flo2PngResult r =
        runFlowEval({"-q", "--epe-dir", work.filePath("pictures"), "est", "gt"}, dir_.path());
    QCOMPARE(r.status, 0);
    for (int i : {0, 2, 9}) {
        const Planes p = datasetPair(i);
        const PixelPlane expected = epePicture(p.ue, p.ve, p.ug, p.vg);
        const QImage image = readRgb(
            work.filePath(QStringLiteral("pictures/frame_%1_epe.png").arg(i, 4, 10, QChar('0'))));
        QCOMPARE(image.width(), expected.cols());
        QCOMPARE(image.height(), expected.rows());
        for (int y = 0; y < image.height(); ++y)
            QVERIFY(std::memcmp(image.constScanLine(y), expected[y][0],
                                std::size_t(expected.bytesPerLine())) == 0);
    }

    const Flo2PngResult one =
        runFlowEval({"--epe", work.filePath("one.png"), "est/frame_0001.flo", "gt/frame_0001.flo"},
                    dir_.path());
    QCOMPARE(one.status, 0);
    QCOMPARE(readRgb(work.filePath("one.png")).size(), QSize(16, 10));

    // A picture that cannot be written fails the run, but the figures still come.
    const Flo2PngResult blocked = runFlowEval(
        {"--epe", "/proc/no/such.png", "est/frame_0001.flo", "gt/frame_0001.flo"}, dir_.path());
    QCOMPARE(blocked.status, 1);
    QVERIFY(blocked.err.startsWith(QLatin1String("floweval: cannot write /proc/no/such.png")));
    QVERIFY(blocked.out.contains(QLatin1String("frame_0001.flo")));
}

void TestFlowEval::outputsNeverReplaceInputs()
{
    // The CSV's name is taken by a folder: the write fails whole, leaving neither a damaged
    // file nor its temporary behind, and the run says so.
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkpath("taken/inside"));
    const Flo2PngResult r = runFlowEval(
        {"--csv", work.filePath("taken"), "est/frame_0000.flo", "gt/frame_0000.flo"}, dir_.path());
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("floweval: ") + work.filePath("taken")),
             qPrintable(r.err));
    QVERIFY(r.out.contains(QLatin1String("frame_0000.flo"))); // the table still came
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"taken"});
    QVERIFY(QFileInfo(work.filePath("taken/inside")).isDir());
}

QTEST_GUILESS_MAIN(TestFlowEval)
#include "test_floweval.moc"
