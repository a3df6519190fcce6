#include "flo_writer.h"
#include "test_data.h"

#include "flow_format.h"
#include "frame_input.h"
#include "frame_triple.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run flowwarp(const QStringList &arguments, const QString &workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(QStringLiteral(FLOWWARP_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A grey frame whose level at (x, y) is 10 x + y.
QImage rampFrame(int w, int h, int shift)
{
    QImage image(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = uchar(10 * (x + shift) + y);
    return image;
}

// Frame 2 is frame 1 moved one pixel left: the flow (-1, 0) explains it, (+1, 0) undoes it.
void writeTriple(const QString &dir, const QString &frame1, const QString &frame2,
                 const QString &flow)
{
    QDir().mkpath(dir);
    QVERIFY(rampFrame(6, 4, 0).save(QDir(dir).filePath(frame1)));
    QVERIFY(rampFrame(6, 4, 1).save(QDir(dir).filePath(frame2)));
    if (!flow.isEmpty())
        QVERIFY(writeFile(QDir(dir).filePath(flow), floBytesFilled(6, 4, -1, 0)));
}

} // namespace

class TestFlowWarp : public QObject
{
    Q_OBJECT

private slots:
    void oneTriple();
    void foldersPairByName();
    void backwardRules();
    void missingPiecesFailAlone();
    void usageErrors();
    void realAlleyTriple();
};

void TestFlowWarp::oneTriple()
{
    QTemporaryDir tmp;
    const QString d = tmp.path();
    writeTriple(d, "a.png", "b.png", "f.flo");
    QVERIFY(writeFile(d + "/back.flo", floBytesFilled(6, 4, 1, 0)));
    const Run run = flowwarp({"a.png", "b.png", "f.flo", "-o", "w.png", "--error", "e.png",
                              "--backward", "back.flo", "--occlusion", "o.png", "--csv", "-",
                              "--json", "f.json"},
                             d);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QString("flow,width,height,valid,valid_share,occluded,mean_abs_error,psnr\n"
                              "f.flo,6,4,20,83.333333333333329,0,0,inf\n"
                              "all,,,20,83.333333333333329,0,0,inf\n"));
    QFile json(d + "/f.json");
    QVERIFY(json.open(QIODevice::ReadOnly));
    QVERIFY(json.readAll().contains("\"occluded\": 0, \"mean_abs_error\": 0, \"psnr\": null}"));
    // The first column points outside: black and not checked; elsewhere frame 1 exactly.
    const QImage warped = QImage(d + "/w.png").convertToFormat(QImage::Format_RGB888);
    const QImage occ(d + "/o.png");
    const QImage error = QImage(d + "/e.png").convertToFormat(QImage::Format_RGB888);
    QCOMPARE(warped.pixel(0, 2), qRgb(0, 0, 0));
    QCOMPARE(warped.pixel(3, 2), qRgb(32, 32, 32));
    QCOMPARE(occ.format(), QImage::Format_Grayscale8);
    QCOMPARE(int(occ.constScanLine(1)[0]), 128);
    QCOMPARE(int(occ.constScanLine(1)[1]), 0);
    QCOMPARE(error.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(error.pixel(5, 3), qRgb(49, 54, 149));
}

void TestFlowWarp::foldersPairByName()
{
    // Sintel's names and KITTI's, the next frame in name order, with -r and -j.
    QTemporaryDir tmp;
    const QString d = tmp.path();
    writeTriple(d + "/frames/alley", "frame_0002.png", "frame_0003.png", QString());
    writeTriple(d + "/frames/kitti", "000000_10.png", "000000_11.png", QString());
    for (const char *folder : {"/flow/alley", "/flow/kitti"})
        QDir().mkpath(d + folder);
    QVERIFY(writeFile(d + "/flow/alley/frame_0002.flo", floBytesFilled(6, 4, -1, 0)));
    QVERIFY(writeFile(d + "/flow/kitti/000000_10.flo", floBytesFilled(6, 4, -1, 0)));
    const Run run =
        flowwarp({"--frames", "frames", "-r", "-d", "out", "-j", "2", "--csv", "-", "flow"}, d);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("flow/alley/frame_0002.flo,6,4,20,"), qPrintable(run.out));
    QVERIFY(run.out.contains("flow/kitti/000000_10.flo,6,4,20,"));
    QVERIFY(run.out.endsWith("all,,,40,83.333333333333329,nan,0,inf\n"));
    for (const char *name : {"alley/frame_0002_warped.png", "alley/frame_0002_error.png",
                             "kitti/000000_10_warped.png"})
        QVERIFY2(QFile::exists(d + "/out/" + name), name);
    QVERIFY(!QFile::exists(d + "/out/alley/frame_0002_occlusion.png"));
}

void TestFlowWarp::backwardRules()
{
    QTemporaryDir tmp;
    const QString d = tmp.path();
    writeTriple(d + "/frames", "frame_0002.png", "frame_0003.png", QString());
    for (const char *folder : {"/flow", "/back", "/pair"})
        QDir().mkpath(d + folder);
    QVERIFY(writeFile(d + "/flow/frame_0002.flo", floBytesFilled(6, 4, -1, 0)));
    QVERIFY(writeFile(d + "/back/frame_0003.flo", floBytesFilled(6, 4, 1, 0)));
    QVERIFY(writeFile(d + "/pair/frame_0002.flo", floBytesFilled(6, 4, -1, 0)));
    // By frame 2's name: the flow back from frame_0003 undoes the forward one.
    Run run = flowwarp({"--frames", "frames", "--backward-dir", "back", "--csv", "-", "flow"}, d);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("frame_0002.flo,6,4,20,83.333333333333329,0,0,inf"),
             qPrintable(run.out));
    QVERIFY(QFile::exists(d + "/flow/frame_0002_occlusion.png"));
    // By the forward flow's name: the one found there does not undo it.
    run = flowwarp({"--frames", "frames", "--backward-dir", "pair", "--backward-by", "flow",
                    "--csv", "-", "-q", "flow"},
                   d);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(",20,83.333333333333329,100,nan,nan"), qPrintable(run.out));
}

void TestFlowWarp::missingPiecesFailAlone()
{
    QTemporaryDir tmp;
    const QString d = tmp.path();
    writeTriple(d + "/frames", "frame_0001.png", "frame_0002.png", QString());
    QDir().mkpath(d + "/flow");
    QDir().mkpath(d + "/back");
    for (const char *name : {"frame_0001.flo", "frame_0002.flo", "frame_0009.flo"})
        QVERIFY(writeFile(d + "/flow/" + name, floBytesFilled(6, 4, -1, 0)));
    Run run = flowwarp({"--frames", "frames", "--csv", "-", "flow"}, d);
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("no frame after frame_0002.png"));
    QVERIFY(run.err.contains("no frame frame_0009 for frame_0009.flo"));
    QVERIFY(run.err.contains("2 of 3 flows not checked"));
    QVERIFY(run.out.contains("frame_0001.flo,6,4,20,"));
    run = flowwarp({"--frames", "frames", "--backward-dir", "back", "-q", "flow"}, d);
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("no backward flow frame_0002 for frame_0001.flo"));
    // A frame of another size names itself.
    QVERIFY(rampFrame(5, 4, 0).save(d + "/small.png"));
    run = flowwarp({"small.png", "frames/frame_0002.png", "flow/frame_0001.flo", "-o", "w.png"}, d);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("small.png: frame 5 x 4 does not match the flow's 6 x 4"),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(d + "/w.png"));
}

void TestFlowWarp::usageErrors()
{
    QTemporaryDir tmp;
    const QString d = tmp.path();
    writeTriple(d, "a.png", "b.png", "f.flo");
    const QList<QStringList> wrong{
        {"a.png", "b.png", "f.flo"},
        {"a.png", "b.png", "f.flo", "-o", "w.jpg"},
        {"a.png", "b.png", "f.flo", "-o", "w.png", "--occlusion", "o.png"},
        {"a.png", "b.png", "f.flo", "-o", "a.png"},
        {"a.png", "b.png", "f.flo", "-o", "w.png", "--csv", "-", "--json", "-"},
        {"a.png", "b.png", "f.flo", "-o", "w.png", "-r"},
        {"--frames", ".", "--backward-by", "time", "."},
        {"--frames", ".", "-o", "w.png", "."},
        {"--frames", "a.png", "."},
    };
    for (const QStringList &arguments : wrong) {
        const Run run = flowwarp(arguments, d);
        QVERIFY2(run.status == 2, qPrintable(arguments.join(' ')));
        QVERIFY(run.err.startsWith("flowwarp: "));
    }
    QVERIFY(!QFile::exists(d + "/w.png"));
    QCOMPARE(flowwarp({"--version"}, d).status, 0);
}

void TestFlowWarp::realAlleyTriple()
{
    const QString data = sharedDataDir();
    if (data.isEmpty())
        QSKIP("../shared/data is absent: the real alley triple cannot be checked");
    const QDir dir(data);
    const std::optional<FlowField> flow = readFlow(
        QFile::encodeName(dir.filePath("sintel_alley_frame_0002.flo")).constData(),
        FlowRule::ByContent);
    QString problem;
    const QImage f1 = readFrame(dir.filePath("sintel_alley_frame_0002.png"), &problem);
    const QImage f2 = readFrame(dir.filePath("sintel_alley_frame_0003.png"), &problem);
    const QImage mask = QImage(dir.filePath("sintel_alley_occlusions_0002.png"))
                            .convertToFormat(QImage::Format_Grayscale8);
    QVERIFY(flow && !f1.isNull() && !f2.isNull() && !mask.isNull());
    const FrameCheckResult r =
        checkFrames(frameView(f1), frameView(f2), flowArrays(flow->u, flow->v), nullptr);
    // Pixels that go behind something cannot match; the others nearly do. Warped the wrong
    // way, both would be far off.
    double sum[2] = {0, 0};
    std::int64_t count[2] = {0, 0};
    for (int y = 0; y < f1.height(); ++y)
        for (int x = 0; x < f1.width(); ++x) {
            if (!r.valid[std::size_t(y * f1.width() + x)])
                continue;
            const int occluded = mask.constScanLine(y)[x] > 127;
            sum[occluded] += photometricLevels(f1.constScanLine(y) + 3 * x, r.warped[y][x]) / 3.0;
            ++count[occluded];
        }
    QVERIFY(count[0] > 0 && count[1] > 0);
    const double visible = sum[0] / double(count[0]);
    const double hidden = sum[1] / double(count[1]);
    QVERIFY2(hidden >= 3 * visible,
             qPrintable(QString("occluded %1, visible %2").arg(hidden).arg(visible)));
    QVERIFY(photometricFigures(r.sums).validShare > 95);
}

QTEST_GUILESS_MAIN(TestFlowWarp)
#include "test_flowwarp.moc"
