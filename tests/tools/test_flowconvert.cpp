// flowconvert as a command, and the folder walking it shares with flo2png: round trips through
// every format, names, refusals, and a dataset laid out one folder per scene.

#include "flo2png_process.h"
#include "flo_writer.h"
#include "flow_format.h"
#include "format_samples.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

const QString kHint = QStringLiteral("Try 'flowconvert --help' for more information.\n");

QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

FlowField read(const QString &path)
{
    return *readFlow(QFile::encodeName(path).constData(), FlowRule::FloByName);
}

bool sameBits(const FloatPlane &a, const FloatPlane &b)
{
    return a.rows() == b.rows() && a.cols() == b.cols() &&
           std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
}

// A flow with unknown vectors both ways, NaN and a marker, and every value exact in 1/64 px.
QByteArray sampleFlow()
{
    std::vector<float> uv;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uv.push_back(float(x * 13 - 40) / 8);
            uv.push_back(float(y * 29 - 60) / 16);
        }
    uv[2 * 9] = std::nanf("");
    uv[2 * 20 + 1] = 1e10f;
    return floBytes(7, 5, uv);
}

} // namespace

class TestFlowConvert : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripThroughEveryFormat();
    void kittiKeepsValidityAndWarnsOfClamping();
    void namesBesideTheInputOrInAFolder();
    void refusesToWriteOverAnInput();
    void unreadableInputsAreReported();
    void usageErrors_data();
    void usageErrors();
    void datasetFoldersKeepTheirTree();
    void flo2pngReadsEveryFormat();
    void bundledSamplesAgree();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestFlowConvert::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(writeFile(path("a.flo"), sampleFlow()));
}

// .flo to PFM to .npy to .flo5 and back to .flo: the same bytes at the end.
void TestFlowConvert::roundTripThroughEveryFormat()
{
#ifdef FLOWVIEWER_TEST_HDF5
    const QStringList chain = {"a.flo", "b.pfm", "c.npy", "d.flo5", "e.flo"};
#else
    const QStringList chain = {"a.flo", "b.pfm", "c.npy", "e.flo"};
#endif
    for (int i = 0; i + 1 < chain.size(); ++i) {
        const Flo2PngResult run = runFlowConvert({chain[i], chain[i + 1]}, dir->path());
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
    }
    QFile first(path("a.flo"));
    QFile last(path("e.flo"));
    QVERIFY(first.open(QIODevice::ReadOnly) && last.open(QIODevice::ReadOnly));
    QCOMPARE(last.readAll(), first.readAll());
}

void TestFlowConvert::kittiKeepsValidityAndWarnsOfClamping()
{
    Flo2PngResult run = runFlowConvert({"a.flo", "k.png"}, dir->path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    const FlowField original = read(path("a.flo"));
    const FlowField kitti = read(path("k.png"));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool unknown = (y == 1 && x == 2) || (y == 2 && x == 6);
            QCOMPARE(std::isnan(kitti.u[y][x]), unknown);
            if (!unknown)
                QVERIFY(std::fabs(kitti.u[y][x] - original.u[y][x]) <= 1.0f / 128);
        }

    QVERIFY(writeFile(path("fast.flo"), floBytes(2, 1, {600.0f, 1.0f, -2.0f, -513.0f})));
    run = runFlowConvert({"fast.flo", "fast.png"}, dir->path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QStringLiteral("flowconvert: warning: fast.png: 2 components clamped to "
                                     "KITTI's range\n"));
}

void TestFlowConvert::namesBesideTheInputOrInAFolder()
{
    QVERIFY(QDir(dir->path()).mkpath("in.d"));
    QVERIFY(writeFile(path("in.d/run.1.flo"), sampleFlow()));
    Flo2PngResult run = runFlowConvert({"-t", "npy", "a.flo", "in.d/run.1.flo"}, dir->path());
    QCOMPARE(run.status, 0);
    run = runFlowConvert({"-t", "KITTI", "-d", "out/x", "a.flo", "in.d/run.1.flo"}, dir->path());
    QCOMPARE(run.status, 0);
    QCOMPARE(filesUnder(dir->path()),
             QStringList({"a.flo", "a.npy", "in.d/run.1.flo", "in.d/run.1.npy", "out/x/a.png",
                          "out/x/run.1.png"}));
    QVERIFY(sameBits(read(path("in.d/run.1.npy")).v, read(path("a.flo")).v));
}

void TestFlowConvert::refusesToWriteOverAnInput()
{
    QVERIFY(writeFile(path("a.npy"), "not a flow, but the user's"));
    Flo2PngResult run = runFlowConvert({"-t", "flo", "a.flo"}, dir->path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, "flowconvert: a.flo would be written over its input\n" + kHint);
    run = runFlowConvert({"a.flo", "./a.flo"}, dir->path());
    QCOMPARE(run.status, 2);
    // Two inputs that would meet under one name: nothing is written.
    QVERIFY(QDir(dir->path()).mkpath("x"));
    QVERIFY(writeFile(path("x/a.flo"), sampleFlow()));
    run = runFlowConvert({"-t", "pfm", "-d", "out", "a.flo", "x/a.flo"}, dir->path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err,
             "flowconvert: a.flo and x/a.flo would both be written to out/a.pfm\n" + kHint);
    QCOMPARE(filesUnder(dir->path()), QStringList({"a.flo", "a.npy", "x/a.flo"}));
}

void TestFlowConvert::unreadableInputsAreReported()
{
    QVERIFY(writeFile(path("short.pfm"), "PF\n2 2\n-1\n"));
    QVERIFY(writeFile(path("notes.txt"), "hello"));
    const Flo2PngResult run =
        runFlowConvert({"-t", "npy", "short.pfm", "a.flo", "notes.txt", "gone.flo"}, dir->path());
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
             QStringLiteral("flowconvert: short.pfm: data of 0 bytes where width x height x 12 "
                            "is 48\n"
                            "flowconvert: notes.txt: not a flow file (.flo, KITTI PNG, PFM, .npy "
                            "or .flo5)\n"
                            "flowconvert: ReadFlowFile: could not open gone.flo\n"
                            "flowconvert: 3 of 4 inputs not converted\n"));
    QVERIFY(QFile::exists(path("a.npy")));
    QVERIFY(!QFile::exists(path("short.npy")));
    QCOMPARE(runFlowConvert({"-q", "-t", "npy", "gone.flo"}, dir->path()).err,
             QStringLiteral("flowconvert: ReadFlowFile: could not open gone.flo\n"));
}

void TestFlowConvert::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("one name") << QStringList{"a.flo"}
                              << "give IN and OUT, or -t FORMAT and the inputs";
    QTest::newRow("unknown suffix") << QStringList{"a.flo", "a.jpg"}
                                    << "the name a.jpg names no flow format: its suffix must be "
                                       ".flo, .flo5, .pfm, .npy or .png";
    QTest::newRow("unknown format")
        << QStringList{"-t", "tiff", "a.flo"} << "-t takes flo, flo5, pfm, npy or kitti: 'tiff'";
    QTest::newRow("-d without -t")
        << QStringList{"-d", "out", "a.flo", "b.pfm"} << "-d, -r and --tree go with -t";
    QTest::newRow("--tree without -d") << QStringList{"-t", "pfm", "--tree", "a.flo"}
                                       << "--tree places the outputs below the folder of -d";
    QTest::newRow("a folder without -r")
        << QStringList{"-t", "pfm", "."} << ". is a folder; -r reads the flow files in it";
}

void TestFlowConvert::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Flo2PngResult run = runFlowConvert(arguments, dir->path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, "flowconvert: " + message + "\n" + kHint);
    QCOMPARE(filesUnder(dir->path()), QStringList{"a.flo"});
}

// Scenes keep one folder each with the same file names in every one: -r walks them, and
// --tree keeps them apart below -d, for flowconvert and flo2png alike.
void TestFlowConvert::datasetFoldersKeepTheirTree()
{
    for (const char *scene : {"flow/alley_1", "flow/ambush_2", "flow/ambush_2/deeper"})
        QVERIFY(QDir(dir->path()).mkpath(scene));
    for (const char *name : {"flow/alley_1/frame_0001.flo", "flow/alley_1/frame_0002.flo",
                             "flow/ambush_2/frame_0001.flo", "flow/ambush_2/deeper/frame_0001.flo"})
        QVERIFY(writeFile(path(name), sampleFlow()));
    QVERIFY(writeFile(path("flow/alley_1/notes.txt"), "not a flow"));

    Flo2PngResult run = runFlowConvert({"-t", "pfm", "-r", "-d", "out", "flow"}, dir->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains("would both be written to out/frame_0001.pfm"));

    run = runFlowConvert({"-q", "-t", "pfm", "-r", "--tree", "-d", "out", "flow"}, dir->path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    run = runFlo2Png({"-q", "-r", "--tree", "-d", "pics", "flow/ambush_2", "flow/alley_1"},
                     dir->path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const QStringList files = filesUnder(dir->path());
    for (const char *name :
         {"out/alley_1/frame_0001.pfm", "out/alley_1/frame_0002.pfm", "out/ambush_2/frame_0001.pfm",
          "out/ambush_2/deeper/frame_0001.pfm", "pics/alley_1/frame_0001_colorview.png",
          "pics/ambush_2/deeper/frame_0001_colorview.png"})
        QVERIFY2(files.contains(name), name);
    QVERIFY(!files.contains("out/alley_1/notes.pfm"));
}

// Output names follow the rule for .flo: the name without its extension.
void TestFlowConvert::flo2pngReadsEveryFormat()
{
    QStringList inputs = {"000000_10.png", "b.pfm", "c.npy"};
#ifdef FLOWVIEWER_TEST_HDF5
    inputs << "d.flo5";
#endif
    for (const QString &to : inputs)
        QCOMPARE(runFlowConvert({"a.flo", to}, dir->path()).status, 0);
    const Flo2PngResult run = runFlo2Png(inputs, dir->path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const QImage viaPfm = readRgb(path("b_colorview.png"));
    QVERIFY(!viaPfm.isNull());
    QCOMPARE(readRgb(path("c_colorview.png")), viaPfm);
#ifdef FLOWVIEWER_TEST_HDF5
    QCOMPARE(readRgb(path("d_colorview.png")), viaPfm);
#endif
    QVERIFY(!readRgb(path("000000_10_colorview.png")).isNull());
}

// The tiny samples the build writes hold one flow in every format.
void TestFlowConvert::bundledSamplesAgree()
{
    const QString samples = QStringLiteral(FLOWVIEWER_SAMPLE_DIR);
    const FlowField flo = read(samples + "/tiny.flo");
    QCOMPARE(flo.u.cols(), 96);
    QCOMPARE(flo.u.rows(), 64);
    QStringList others = {"tiny.pfm", "tiny.npy"};
#ifdef FLOWVIEWER_TEST_HDF5
    others << "tiny.flo5";
#endif
    for (const QString &name : others) {
        const FlowField other = read(samples + "/" + name);
        QVERIFY2(sameBits(other.u, flo.u) && sameBits(other.v, flo.v), qPrintable(name));
    }
    const FlowField kitti = read(samples + "/tiny_kitti.png");
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) {
            if (std::fabs(flo.u[y][x]) > 1e9f) {
                QVERIFY(std::isnan(kitti.u[y][x]) && std::isnan(kitti.v[y][x]));
            } else {
                QCOMPARE(kitti.u[y][x], flo.u[y][x]);
                QCOMPARE(kitti.v[y][x], flo.v[y][x]);
            }
        }
}

QTEST_APPLESS_MAIN(TestFlowConvert)
#include "test_flowconvert.moc"
