#include "bench_check.h"

#include "bench_cases.h"

#include "flow_format.h"
#include "frame_input.h"
#include "frame_triple.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <random>

namespace {

QImage noiseFrame(int rows, int cols, unsigned seed)
{
    QImage image(cols, rows, QImage::Format_RGB888);
    std::mt19937 random(seed);
    for (int y = 0; y < rows; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < 3 * cols; ++x)
            line[x] = uchar(random() & 255);
    }
    return image;
}

} // namespace

bool benchCheck(const BenchFlow &flow, const QString &dataDir, const QString &workDir,
                const TimingPlan &plan, PairTiming *timing)
{
    const std::optional<FlowField> field =
        readFlow(QFile::encodeName(flow.floPath).constData(), FlowRule::ByContent);
    QString frame1Path = QDir(dataDir).filePath(QStringLiteral("sintel_alley_frame_0002.png"));
    const QString frame2Path = QDir(dataDir).filePath(QStringLiteral("sintel_alley_frame_0003.png"));
    QString error;
    QImage frame1, frame2;
    if (flow.origin == QLatin1String("sintel_alley_frame_0002.flo")) {
        frame1 = readFrame(frame1Path, &error);
        frame2 = readFrame(frame2Path, &error);
    } else {
        frame1 = noiseFrame(flow.rows, flow.cols, 1);
        frame2 = noiseFrame(flow.rows, flow.cols, 2);
        frame1Path = workDir + QStringLiteral("/check_frame1.png");
        if (!frame1.save(frame1Path))
            error = QStringLiteral("cannot write ") + frame1Path;
    }
    if (!field || frame1.isNull() || frame2.isNull() || !error.isEmpty()) {
        std::fprintf(stderr, "flowviewer-bench: no triple to check: %s\n", qPrintable(error));
        return false;
    }
    // A backward flow that nearly undoes the forward one, so that every pixel is checked.
    const FloatPlane bu = vek_alloc_2(flow.rows, flow.cols);
    const FloatPlane bv = vek_alloc_2(flow.rows, flow.cols);
    for (std::size_t i = 0; i < bu.size(); ++i) {
        bu.data()[i] = -field->u.data()[i];
        bv.data()[i] = -field->v.data()[i];
    }
    const FlowArrays forward = flowArrays(field->u, field->v);
    const FlowArrays backward = flowArrays(bu, bv);
    const auto run = [&] {
        const FrameCheckResult r =
            checkFrames(frameView(frame1), frameView(frame2), forward, &backward);
        if (r.sums.valid < 0)
            std::exit(1);
    };
    *timing = timePair(run, pngReference(frame1Path), plan);
    return true;
}
