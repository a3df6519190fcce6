// flo2png --video decoded again with FFmpeg's libraries: every frame there, of the flows' size,
// close to its colour view at the scale shared by the sequence; a failed or interrupted export
// leaves nothing behind; and --blend and --arrows drawn exactly where they belong.

#include "flo2png_process.h"
#include "flo_writer.h"
#include "sequence_scale.h"

#include "flow_statistics.h"
#include "planes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <csignal>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

// The video's frames as RGB pictures, decoded with the libraries that wrote it.
QList<QImage> decodeVideo(const QString &path)
{
    QList<QImage> frames;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return frames;
    avformat_find_stream_info(format, nullptr);
    const AVCodec *decoder = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext *codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[index]->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    SwsContext *scale = nullptr;
    const auto receive = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            QImage rgb(frame->width, frame->height, QImage::Format_RGB888);
            scale = sws_getCachedContext(scale, frame->width, frame->height,
                                         AVPixelFormat(frame->format), frame->width, frame->height,
                                         AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
            uint8_t *out[1] = {rgb.bits()};
            const int stride[1] = {int(rgb.bytesPerLine())};
            sws_scale(scale, frame->data, frame->linesize, 0, frame->height, out, stride);
            frames << rgb;
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(codec, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    receive();
    sws_freeContext(scale);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return frames;
}

// Of a against b, over b but for its last row and column when edge: there yuv420p gives one
// chroma to the picture's pixel and the padding's black.
double psnr(const QImage &a, const QImage &b, int edge)
{
    double sum = 0;
    const int rows = b.height() - edge, cols = b.width() - edge;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < 3 * cols; ++x) {
            const double d = double(a.constScanLine(y)[x]) - b.constScanLine(y)[x];
            sum += d * d;
        }
    }
    const double mse = sum / (3.0 * cols * rows);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// A smooth field of odd sides whose largest component is amplitude: frames of different
// opening cutoffs.
QByteArray wave(int width, int height, float amplitude)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uv.push_back(amplitude * std::cos(0.04f * x + 0.02f * y));
            uv.push_back(amplitude * std::sin(0.03f * y - 0.02f * x));
        }
    }
    return floBytes(width, height, uv);
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.mp4*"), QStringLiteral("*.webm*")},
                                  QDir::Files | QDir::Hidden);
}

} // namespace

class TestFlo2PngVideo : public QObject
{
    Q_OBJECT

private slots:
    void framesMatchTheirColourViews_data();
    void framesMatchTheirColourViews();
    void pooledPercentileIsThePercentileOfAllFrames();
    void failuresLeaveNothing();
    void interruptLeavesNothing();
    void blendFollowsTheFormula();
    void arrowsLieOnTheirGrid();
    void usageErrors();
};

void TestFlo2PngVideo::framesMatchTheirColourViews_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("perFrame");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("mp4, one scale, odd sides") << "out.mp4" << false << 97 << 61;
    QTest::newRow("webm, each frame its own") << "out.webm" << true << 96 << 60;
}

void TestFlo2PngVideo::framesMatchTheirColourViews()
{
    QFETCH(QString, name);
    QFETCH(bool, perFrame);
    QFETCH(int, width);
    QFETCH(int, height);
    QTemporaryDir dir;
    const QList<float> amplitudes{2.5f, 7.0f, 4.2f, 11.6f, 1.0f};
    QStringList inputs;
    for (int i = 0; i < amplitudes.size(); ++i) {
        inputs << dir.filePath(QStringLiteral("f%1.flo").arg(i));
        QVERIFY(writeFile(inputs.last(), wave(width, height, amplitudes.at(i))));
    }
    QStringList args{QStringLiteral("--video"), dir.filePath(name), QStringLiteral("-j2")};
    if (perFrame)
        args << QStringLiteral("--per-frame");
    const Flo2PngResult video = runFlo2Png(args + inputs);
    QCOMPARE(video.status, 0);
    QVERIFY2(video.err.isEmpty(), qPrintable(video.err));

    // One scale: the largest opening cutoff, 12 for the frame of 11.6.
    QStringList png{QStringLiteral("-d"), dir.filePath(QStringLiteral("png"))};
    if (!perFrame)
        png << QStringLiteral("--cutoff") << QStringLiteral("12");
    QCOMPARE(runFlo2Png(png + inputs).status, 0);

    const QList<QImage> frames = decodeVideo(dir.filePath(name));
    QCOMPARE(frames.size(), inputs.size());
    for (int i = 0; i < frames.size(); ++i) {
        // Odd sides padded by one row and column.
        QCOMPARE(frames.at(i).size(), QSize(width + width % 2, height + height % 2));
        const QImage view = readRgb(dir.filePath(QStringLiteral("png/f%1_colorview.png").arg(i)));
        const double quality = psnr(frames.at(i), view, width % 2);
        QVERIFY2(quality > 35, qPrintable(QString::number(quality)));
    }
}

void TestFlo2PngVideo::pooledPercentileIsThePercentileOfAllFrames()
{
    // Two frames pooled are one plane holding both.
    const int cols = 40, rowsA = 30, rowsB = 17;
    FloatPlane u = vek_alloc_2(rowsA + rowsB, cols);
    FloatPlane v = vek_alloc_2(rowsA + rowsB, cols);
    FloatPlane ua = vek_alloc_2(rowsA, cols), va = vek_alloc_2(rowsA, cols);
    FloatPlane ub = vek_alloc_2(rowsB, cols), vb = vek_alloc_2(rowsB, cols);
    QRandomGenerator random(29);
    for (int y = 0; y < rowsA + rowsB; ++y) {
        for (int x = 0; x < cols; ++x) {
            const bool unknown = random.bounded(10) == 0;
            u[y][x] = unknown ? 2e9f : float(random.generateDouble() * 30 - 15);
            v[y][x] = float(random.generateDouble() * (y < rowsA ? 4 : 40));
            (y < rowsA ? ua : ub)[y % rowsA][x] = u[y][x];
            (y < rowsA ? va : vb)[y % rowsA][x] = v[y][x];
        }
    }
    for (const double p : {1.0, 50.0, 57.0, 99.0, 100.0}) {
        PooledScale pool(SequenceScaleKind::Percentile, p);
        for (int pass = 0; pass < 2; ++pass) {
            FrameScaleFacts a = pool.facts(ua, va, rowsA, cols);
            FrameScaleFacts b = pool.facts(ub, vb, rowsB, cols);
            pool.add(a);
            pool.add(b);
            if (pass == 0)
                pool.startSecondPass();
        }
        MagnitudeScratch scratch;
        QCOMPARE(*pool.result().radius, PercentileMagnitude(u, v, rowsA + rowsB, cols, p, scratch));
    }
}

void TestFlo2PngVideo::failuresLeaveNothing()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.flo"));
    const QString b = dir.filePath(QStringLiteral("b.flo"));
    const QString c = dir.filePath(QStringLiteral("c.flo"));
    const QString broken = dir.filePath(QStringLiteral("broken.flo"));
    QVERIFY(writeFile(a, wave(20, 10, 3)));
    QVERIFY(writeFile(b, wave(20, 10, 3)));
    QVERIFY(writeFile(c, wave(21, 10, 3)));
    QVERIFY(writeFile(broken, wave(20, 10, 3).left(60)));
    const QString out = dir.filePath(QStringLiteral("out.mp4"));

    Flo2PngResult r = runFlo2Png({QStringLiteral("--video"), out, a, b, c, broken});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(c) && r.err.contains(QStringLiteral("21 x 10")), qPrintable(r.err));
    QVERIFY(!r.err.contains(broken));
    // A broken frame found only while encoding, with a fixed scale.
    r = runFlo2Png({QStringLiteral("--video"), out, QStringLiteral("--cutoff"), QStringLiteral("3"),
                    a, b, broken, a});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(broken), qPrintable(r.err));
    QVERIFY2(leftovers(dir.path()).isEmpty(), qPrintable(leftovers(dir.path()).join(' ')));
}

void TestFlo2PngVideo::interruptLeavesNothing()
{
    QTemporaryDir dir;
    QStringList args{QStringLiteral("--video"), dir.filePath(QStringLiteral("out.mp4")),
                     QStringLiteral("--cutoff"), QStringLiteral("5")};
    for (int i = 0; i < 2; ++i)
        QVERIFY(
            writeFile(dir.filePath(QStringLiteral("%1.flo").arg(i)), wave(192, 128, 2.0f + 3 * i)));
    for (int i = 0; i < 3000; ++i)
        args << dir.filePath(QStringLiteral("%1.flo").arg(i % 2));
    QProcess flo2png;
    flo2png.start(QStringLiteral(FLO2PNG_PATH), args);
    QVERIFY(flo2png.waitForStarted());
    // Once the video is being written.
    QElapsedTimer waited;
    waited.start();
    while (leftovers(dir.path()).isEmpty() && waited.elapsed() < 20000)
        QThread::usleep(500);
    QVERIFY(!leftovers(dir.path()).isEmpty());
    ::kill(pid_t(flo2png.processId()), SIGINT);
    QVERIFY(flo2png.waitForFinished(20000));
    QCOMPARE(flo2png.exitStatus(), QProcess::NormalExit);
    QCOMPARE(flo2png.exitCode(), 128 + SIGINT);
    QVERIFY(flo2png.readAllStandardError().contains("interrupted"));
    QVERIFY2(leftovers(dir.path()).isEmpty(), qPrintable(leftovers(dir.path()).join(' ')));
}

void TestFlo2PngVideo::blendFollowsTheFormula()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("flows/sub")));
    QDir().mkpath(dir.filePath(QStringLiteral("frames/sub")));
    const int width = 33, height = 21;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("flows/sub/x.flo")), wave(width, height, 6)));
    QImage frame(width, height, QImage::Format_RGB888);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i)
            frame.scanLine(y)[i] = uchar(random.bounded(256));
    QVERIFY(frame.save(dir.filePath(QStringLiteral("frames/sub/x.png"))));
    const QString flows = dir.filePath(QStringLiteral("flows"));
    QCOMPARE(runFlo2Png({QStringLiteral("-r"), QStringLiteral("-d"), dir.filePath("plain"), flows})
                 .status,
             0);
    const QImage colour = readRgb(dir.filePath(QStringLiteral("plain/x_colorview.png")));

    for (const int p : {0, 50, 100}) {
        const QString out = dir.filePath(QStringLiteral("b%1").arg(p));
        const Flo2PngResult r = runFlo2Png(
            {QStringLiteral("-r"), QStringLiteral("-d"), out, QStringLiteral("--blend"),
             dir.filePath("frames"), QStringLiteral("--opacity"), QString::number(p), flows});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QImage blended = readRgb(out + QStringLiteral("/x_colorview.png"));
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < 3 * width; ++i)
                QCOMPARE(
                    int(blended.constScanLine(y)[i]),
                    (p * colour.constScanLine(y)[i] + (100 - p) * frame.constScanLine(y)[i] + 50) /
                        100);
    }
    // No frame of that name: the file fails, with a message.
    QVERIFY(QFile::rename(dir.filePath(QStringLiteral("frames/sub/x.png")),
                          dir.filePath(QStringLiteral("frames/y.png"))));
    const Flo2PngResult missing =
        runFlo2Png({QStringLiteral("-r"), QStringLiteral("-d"), dir.filePath("m"),
                    QStringLiteral("--blend"), dir.filePath("frames"), flows});
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.err.contains(QStringLiteral("no frame")), qPrintable(missing.err));
}

void TestFlo2PngVideo::arrowsLieOnTheirGrid()
{
    QTemporaryDir dir;
    const int width = 80, height = 48, step = 16;
    // Known vectors (6, 0) on the left half, unknown on the right.
    std::vector<float> uv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uv.push_back(x < 40 ? 6.0f : 1e10f);
            uv.push_back(x < 40 ? 0.0f : 1e10f);
        }
    }
    const QString flow = dir.filePath(QStringLiteral("a.flo"));
    QVERIFY(writeFile(flow, floBytes(width, height, uv)));
    QCOMPARE(runFlo2Png({QStringLiteral("-o"), dir.filePath("plain.png"), flow}).status, 0);
    QCOMPARE(
        runFlo2Png({QStringLiteral("-o"), dir.filePath("arrows.png"), QStringLiteral("--arrows"),
                    QStringLiteral("--arrow-step"), QString::number(step), flow})
            .status,
        0);
    const QImage plain = readRgb(dir.filePath("plain.png"));
    const QImage arrows = readRgb(dir.filePath("arrows.png"));
    for (int cy = 0; cy < height / step; ++cy) {
        for (int cx = 0; cx < width / step; ++cx) {
            const int centreX = cx * step + step / 2, centreY = cy * step + step / 2;
            int changed = 0;
            for (int y = cy * step; y < (cy + 1) * step; ++y) {
                for (int x = cx * step; x < (cx + 1) * step; ++x) {
                    if (plain.pixel(x, y) == arrows.pixel(x, y))
                        continue;
                    ++changed;
                    // The arrow of the cell: from its centre, 6 pixels to the right.
                    QVERIFY(x >= centreX - 3 && x <= centreX + 8 && std::abs(y - centreY) <= 5);
                }
            }
            QCOMPARE(changed > 0, centreX < 40);
        }
    }
}

void TestFlo2PngVideo::usageErrors()
{
    QTemporaryDir dir;
    const QString flow = dir.filePath(QStringLiteral("a.flo"));
    QVERIFY(writeFile(flow, wave(8, 8, 1)));
    const QList<QStringList> wrong{
        {"--video", dir.filePath("a.avi"), flow},
        {"--video", dir.filePath("a.mp4"), "-d", dir.path(), flow},
        {"--fps", "12", flow},
        {"--video", dir.filePath("a.mp4"), "--fps", "0", flow},
        {"--per-frame", flow},
        {"--opacity", "40", flow},
        {"--blend", dir.filePath("none"), flow},
        {"--blend", dir.path(), "--opacity", "101", flow},
        {"--arrow-step", "8", flow},
        {"--arrows", "--arrow-step", "2", flow},
    };
    for (const QStringList &args : wrong) {
        const Flo2PngResult r = runFlo2Png(args);
        QVERIFY2(r.status == 2, qPrintable(args.join(' ')));
    }
    QVERIFY(leftovers(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestFlo2PngVideo)
#include "test_flo2png_video.moc"
