// flo2png as a command: exit statuses, messages, output names, the legend, safe writing.

#include "flo2png_process.h"
#include "flo_writer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kHint = QStringLiteral("Try 'flo2png --help' for more information.");

// Every file under root, as paths relative to it, sorted.
QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestFlo2PngCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void unreadableInputsAreSkipped_data();
    void unreadableInputsAreSkipped();
    void nothingIsPassedOverSilently();
    void usageErrorsWriteNothing_data();
    void usageErrorsWriteNothing();
    void outputNames_data();
    void outputNames();
    void wheelLegend_data();
    void wheelLegend();
    void failedWriteKeepsTheOldFile();
    void outdirThatCannotBeMade();
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QTemporaryDir *dir = nullptr;
};

void TestFlo2PngCli::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(QDir(dir->path()).mkpath("run.1"));
    QVERIFY(QDir(dir->path()).mkpath("other"));
    for (const char *name : {"run.1/frame10.flo", "run.1/a.b.flo", "other/frame11.flo",
                             "other/frame10.flo", "frame12.flo", "frame13.flo"})
        QVERIFY(writeFile(path(name), floBytesFilled(6, 4, 1.5f, -2.0f)));
}

void TestFlo2PngCli::cleanup()
{
    delete dir;
    dir = nullptr;
}

void TestFlo2PngCli::unreadableInputsAreSkipped_data()
{
    QTest::addColumn<QByteArray>("badBytes"); // written to bad.flo unless empty
    QTest::addColumn<QString>("badName");
    QTest::addColumn<QString>("message"); // %1: the bad input's path
    QTest::newRow("missing") << QByteArray() << "gone.flo"
                             << "flo2png: ReadFlowFile: could not open %1";
    QTest::newRow("too short") << floBytesFilled(6, 4, 0, 0).chopped(1) << "bad.flo"
                               << "flo2png: ReadFlowFile(%1): file is too short";
    QTest::newRow("wrong tag") << floBytes(1, 1, {0, 0}, 1.0f) << "bad.flo"
                               << "flo2png: ReadFlowFile(%1): wrong tag (possibly due to "
                                  "big-endian machine?)";
    QTest::newRow("huge header") << floBytes(99999, 99999, {}) << "bad.flo"
                                 << "flo2png: ReadFlowFile(%1): file is too short";
}

void TestFlo2PngCli::unreadableInputsAreSkipped()
{
    QFETCH(QByteArray, badBytes);
    QFETCH(QString, badName);
    QFETCH(QString, message);
    const QString bad = path(badName);
    if (!badBytes.isEmpty())
        QVERIFY(writeFile(bad, badBytes));
    const QStringList before = filesUnder(dir->path());

    const Flo2PngResult run =
        runFlo2Png({path("frame12.flo"), bad, path("run.1/frame10.flo"), "--channels"});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, message.arg(bad) + "\nflo2png: 1 of 3 inputs not converted\n");
    // The good ones on either side are written all the same.
    QStringList expected = before;
    expected << "frame12_colorview.png"
             << "frame12_colorview_dimx.png"
             << "frame12_colorview_dimy.png"
             << "run.1/frame10_colorview.png"
             << "run.1/frame10_colorview_dimx.png"
             << "run.1/frame10_colorview_dimy.png";
    expected.sort();
    QCOMPARE(filesUnder(dir->path()), expected);

    const Flo2PngResult quiet = runFlo2Png({"-q", bad});
    QCOMPARE(quiet.status, 1);
    QCOMPARE(quiet.err, message.arg(bad) + "\n");
}

// A .flo is known by its tag whatever its name; under -r a file of a flow's suffix is taken
// whatever it holds, so an empty one is reported by every tool, while a picture is passed over.
void TestFlo2PngCli::nothingIsPassedOverSilently()
{
    const QByteArray flow = floBytesFilled(6, 4, 1.5f, -2.0f);
    QVERIFY(QDir(dir->path()).mkpath("set/est"));
    QVERIFY(QDir(dir->path()).mkpath("set/gt"));
    QVERIFY(writeFile(path("set/est/UPPER.FLO"), flow));
    QVERIFY(writeFile(path("set/est/bare"), flow));
    QVERIFY(writeFile(path("set/est/empty.npy"), QByteArray()));
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(path("set/est/picture.png")));
    for (const char *name : {"set/gt/UPPER.flo", "set/gt/bare.flo", "set/gt/empty.flo"})
        QVERIFY(writeFile(path(name), flow));

    const QString empty = path("set/est/empty.npy");
    const Flo2PngResult pictures = runFlo2Png({"-r", "-d", path("out"), path("set/est")});
    QCOMPARE(pictures.status, 1);
    QVERIFY2(pictures.err.contains(empty) && pictures.err.contains("1 of 3 inputs"),
             qPrintable(pictures.err));
    QVERIFY(QFile::exists(path("out/UPPER_colorview.png")));
    QVERIFY(QFile::exists(path("out/bare_colorview.png")));

    const Flo2PngResult converted =
        runFlowConvert({"-t", "pfm", "-r", "-d", path("pfm"), path("set/est")});
    QCOMPARE(converted.status, 1);
    QVERIFY2(converted.err.contains(empty), qPrintable(converted.err));
    QVERIFY(QFile::exists(path("pfm/UPPER.pfm")));

    const Flo2PngResult evaluated = runFlowEval({path("set/est"), path("set/gt")});
    QCOMPARE(evaluated.status, 1);
    QVERIFY2(evaluated.err.contains(empty), qPrintable(evaluated.err));
}

void TestFlo2PngCli::usageErrorsWriteNothing_data()
{
    QTest::addColumn<QStringList>("args"); // names relative to the test folder, options as they are
    QTest::addColumn<QString>("mentions");
    QTest::newRow("unknown option") << QStringList{"--colour", "frame12.flo"} << "colour";
    QTest::newRow("no input") << QStringList{"--channels"} << "no input";
    QTest::newRow("option without its value") << QStringList{"frame12.flo", "--cutoff"} << "cutoff";
    QTest::newRow("negative cutoff") << QStringList{"--cutoff", "-1", "frame12.flo"} << "-1";
    QTest::newRow("auto and cutoff")
        << QStringList{"--auto", "--cutoff", "4", "frame12.flo"} << "--auto";
    QTest::newRow("-o with two inputs")
        << QStringList{"-o", "x.png", "frame12.flo", "frame13.flo"} << "-o";
    QTest::newRow("-o and -d") << QStringList{"-o", "x.png", "-d", "out", "frame12.flo"} << "-d";
    QTest::newRow("-o not a PNG") << QStringList{"-o", "x.jpg", "frame12.flo"} << "x.jpg";
    QTest::newRow("size without legend") << QStringList{"--size", "64", "frame12.flo"} << "--wheel";
    QTest::newRow("percentile 0") << QStringList{"--percentile", "0", "frame12.flo"} << "'0'";
    QTest::newRow("percentile above 100")
        << QStringList{"--percentile", "100.5", "frame12.flo"} << "100.5";
    QTest::newRow("percentile not a number")
        << QStringList{"--percentile", "high", "frame12.flo"} << "high";
    QTest::newRow("percentile and auto")
        << QStringList{"--percentile", "99", "--auto", "frame12.flo"} << "--percentile";
    QTest::newRow("percentile and cutoff")
        << QStringList{"--cutoff", "3", "--percentile", "99", "frame12.flo"} << "--percentile";
    QTest::newRow("compression above 9")
        << QStringList{"--compression", "10", "frame12.flo"} << "from 0 to 9: '10'";
    QTest::newRow("compression not a number")
        << QStringList{"--compression", "fast", "frame12.flo"} << "--compression";
    QTest::newRow("same name from two folders")
        << QStringList{"run.1/frame10.flo", "other/frame10.flo", "-d", "out"}
        << "frame10_colorview.png";
    QTest::newRow("legend over an output")
        << QStringList{"frame12.flo", "--wheel", "frame12_colorview.png"} << "--wheel";
}

void TestFlo2PngCli::usageErrorsWriteNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    const QStringList before = filesUnder(dir->path());
    const Flo2PngResult run = runFlo2Png(args, dir->path());
    QCOMPARE(run.status, 2);
    const QStringList lines = run.err.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3); // the fault, the hint, and the final newline
    QVERIFY2(lines.at(0).startsWith("flo2png: ") && lines.at(0).contains(mentions),
             qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), kHint);
    QCOMPARE(filesUnder(dir->path()), before);
    QVERIFY(!QFileInfo::exists(path("out")));
}

void TestFlo2PngCli::outputNames_data()
{
    QTest::addColumn<QStringList>("args"); // run in the test folder
    QTest::addColumn<QStringList>("written");
    QTest::newRow("beside the input, dotted folder")
        << QStringList{"run.1/frame10.flo"} << QStringList{"run.1/frame10_colorview.png"};
    QTest::newRow("only the last dot ends the name")
        << QStringList{"run.1/a.b.flo"} << QStringList{"run.1/a.b_colorview.png"};
    QTest::newRow("channels beside the colour view")
        << QStringList{"--channels", "run.1/frame10.flo"}
        << QStringList{"run.1/frame10_colorview.png", "run.1/frame10_colorview_dimx.png",
                       "run.1/frame10_colorview_dimy.png"};
    QTest::newRow("-o with channels")
        << QStringList{"-o", "run.1/pic.png", "--channels", "frame12.flo"}
        << QStringList{"run.1/pic.png", "run.1/pic_dimx.png", "run.1/pic_dimy.png"};
    QTest::newRow("-o upper-case suffix")
        << QStringList{"-o", "PIC.PNG", "--channels", "frame12.flo"}
        << QStringList{"PIC.PNG", "PIC_dimx.PNG", "PIC_dimy.PNG"};
    QTest::newRow("outdir made, several levels")
        << QStringList{"-d", "new/deeper", "run.1/frame10.flo", "other/frame11.flo"}
        << QStringList{"new/deeper/frame10_colorview.png", "new/deeper/frame11_colorview.png"};
    // Standard error is a pipe here: no progress display, however many inputs.
    QTest::newRow("many inputs, no progress on a pipe")
        << QStringList{"-d",
                       "all",
                       "frame12.flo",
                       "frame13.flo",
                       "run.1/frame10.flo",
                       "run.1/a.b.flo",
                       "other/frame11.flo"}
        << QStringList{"all/a.b_colorview.png", "all/frame10_colorview.png",
                       "all/frame11_colorview.png", "all/frame12_colorview.png",
                       "all/frame13_colorview.png"};
}

void TestFlo2PngCli::outputNames()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, written);
    QStringList expected = filesUnder(dir->path()) + written;
    expected.sort();

    const Flo2PngResult run = runFlo2Png(args, dir->path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    QCOMPARE(filesUnder(dir->path()), expected);
    for (const QString &name : written)
        QCOMPARE(readRgb(path(name)).size(), QSize(6, 4));
}

void TestFlo2PngCli::wheelLegend_data()
{
    QTest::addColumn<QStringList>("sizeArgs");
    QTest::addColumn<int>("size");
    QTest::newRow("default") << QStringList() << 256;
    QTest::newRow("odd") << QStringList{"--size", "101"} << 101;
    QTest::newRow("large") << QStringList{"--size", "1024"} << 1024;
}

void TestFlo2PngCli::wheelLegend()
{
    QFETCH(QStringList, sizeArgs);
    QFETCH(int, size);
    const Flo2PngResult run = runFlo2Png(QStringList{"--wheel", path("key.png")} + sizeArgs);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const QImage key = readRgb(path("key.png"));
    QCOMPARE(key.size(), QSize(size, size));
    // The zero vector sits on the middle pixel, clear of the axes: white.
    QCOMPARE(key.pixel(size / 2, size / 2), qRgb(255, 255, 255));
}

void TestFlo2PngCli::failedWriteKeepsTheOldFile()
{
    // Noise, so that its PNG is far larger than the limit below.
    std::vector<float> uv(2 * 200 * 150);
    std::uint32_t state = 12345;
    for (float &f : uv) {
        state = state * 1664525u + 1013904223u;
        f = float(state >> 8) / float(1 << 24) * 40.0f - 20.0f;
    }
    QVERIFY(writeFile(path("run.1/frame10.flo"), floBytes(200, 150, uv)));
    const QString out = path("run.1/frame10_colorview.png");
    const QByteArray old("an earlier picture");
    QVERIFY(writeFile(out, old));
    const QStringList before = filesUnder(dir->path());

    // Files may grow to 4 KB only: the PNG fails part-way through its writing.
    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const Flo2PngResult run = runFlo2Png({path("run.1/frame10.flo")}, QString(), limitFileSize);
    QCOMPARE(run.status, 1);
    QVERIFY2(("\n" + run.err).contains("\nflo2png: cannot write " + out + ": "),
             qPrintable(run.err));

    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    // Nothing half-written is left behind under any name.
    QCOMPARE(filesUnder(dir->path()), before);
}

void TestFlo2PngCli::outdirThatCannotBeMade()
{
    QVERIFY(writeFile(path("taken"), "a file, not a folder"));
    const Flo2PngResult run = runFlo2Png({"-d", path("taken/out"), path("frame12.flo")});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, "flo2png: cannot create the folder " + path("taken/out") + "\n");
}

void TestFlo2PngCli::progressOnlyOnATerminal_data()
{
    QTest::addColumn<int>("inputs");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("threads");
    QTest::newRow("four inputs") << 4 << false << true << 1;
    QTest::newRow("three inputs") << 3 << false << false << 1;
    QTest::newRow("four inputs, quiet") << 4 << true << false << 1;
    // Counted as they complete, in input order whichever thread finishes first.
    QTest::newRow("six inputs on three threads") << 6 << false << true << 3;
}

void TestFlo2PngCli::progressOnlyOnATerminal()
{
    QFETCH(int, inputs);
    QFETCH(bool, quiet);
    QFETCH(bool, shown);
    QFETCH(int, threads);
    QStringList args{"-d", path("out")};
    for (int i = 0; i < inputs; ++i) {
        args << path(QStringLiteral("p%1.flo").arg(i));
        QVERIFY(QFile::copy(path("frame12.flo"), args.last()));
    }
    if (quiet)
        args << "-q";
    args << "-j" << QString::number(threads);

    // Standard error on a pseudo-terminal of its own.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    QVERIFY(terminal >= 0);
    const Flo2PngResult run =
        runFlo2Png(args, QString(), [terminal] { ::dup2(terminal, STDERR_FILENO); });
    ::close(terminal);
    QByteArray seen;
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, n);
    ::close(master);

    QCOMPARE(run.status, 0);
    QCOMPARE(filesUnder(path("out")).size(), inputs);
    if (!shown) {
        QCOMPARE(seen, QByteArray());
        return;
    }
    qsizetype previous = -1;
    for (int i = 1; i <= inputs; ++i) {
        const QByteArray line = QStringLiteral("\r[%1/%2] ").arg(i).arg(inputs).toLatin1() +
                                QFile::encodeName(args.at(1 + i));
        QVERIFY2(seen.indexOf(line) > previous, seen.constData());
        previous = seen.indexOf(line);
    }
    // The display is wiped at the end, leaving the terminal as it was.
    QVERIFY2(seen.endsWith("\r\x1b[K"), seen.constData());
}

QTEST_GUILESS_MAIN(TestFlo2PngCli)
#include "test_flo2png_cli.moc"
