#include "bench_inputs.h"

#include "cerror.h"
#include "flow_format.h"
#include "vek_zandor.h"

#include <QFile>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The value .flo writers put in both components where the flow is not known.
constexpr float kUnknownMarker = 1e10f;

struct MovingObject {
    double cx, cy; // centre, as a fraction of the width and the height
    double rx, ry; // radii, as fractions
    double u, v;   // motion in pixels at the 1024-pixel width, scaled with the width
    double spin;   // extra turn about its own centre
};

bool inside(const MovingObject &o, double x, double y)
{
    const double dx = (x - o.cx) / o.rx;
    const double dy = (y - o.cy) / o.ry;
    return dx * dx + dy * dy <= 1.0;
}

// Largest known absolute component, rounded up: the cutoff at which the colours are saturated.
int saturatingCutoff(const Vek_Zandor &w)
{
    double largest = 0.0;
    for (int r = 0; r < w.rows; ++r)
        for (int c = 0; c < w.cols; ++c) {
            const double u = std::fabs(w.flowU[r][c]);
            const double v = std::fabs(w.flowV[r][c]);
            if (u <= 1e9 && v <= 1e9)
                largest = std::max({largest, u, v});
        }
    return std::max(1, int(std::ceil(largest)));
}

} // namespace

void generateFlow(int rows, int cols, std::vector<float> &uv)
{
    const MovingObject objects[] = {{0.30, 0.55, 0.12, 0.20, 22.0, 4.0, 0.0},
                                    {0.70, 0.35, 0.08, 0.12, -13.0, 8.0, 0.02}};
    const double scale = cols / 1024.0;
    const double zoom = 0.006;
    const double turn = 0.004;
    uv.resize(2 * std::size_t(rows) * std::size_t(cols));
    float *out = uv.data();
    for (int r = 0; r < rows; ++r) {
        const double y = (r + 0.5) / rows;
        for (int c = 0; c < cols; ++c, out += 2) {
            const double x = (c + 0.5) / cols;
            const double px = (x - 0.5) * cols;
            const double py = (y - 0.5) * rows;
            double u = 3.0 * scale + zoom * px - turn * py + 0.4 * std::sin(c * 0.031 + r * 0.017);
            double v = -1.5 * scale + zoom * py + turn * px + 0.3 * std::cos(c * 0.023 - r * 0.029);
            bool unknown = false;
            for (const MovingObject &o : objects) {
                if (inside(o, x, y)) {
                    const double ox = (x - o.cx) * cols;
                    const double oy = (y - o.cy) * rows;
                    u = o.u * scale - o.spin * oy;
                    v = o.v * scale + o.spin * ox;
                    unknown = false;
                    break;
                }
                // The ground an object uncovers behind it has no match in the next frame.
                if (inside(o, x + o.u * scale / cols, y))
                    unknown = true;
            }
            out[0] = unknown ? kUnknownMarker : float(u);
            out[1] = unknown ? kUnknownMarker : float(v);
        }
    }
}

bool writeFloFile(const QString &path, int rows, int cols, const std::vector<float> &uv)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const float tag = 202021.25f;
    const std::int32_t width = cols;
    const std::int32_t height = rows;
    const qint64 dataBytes = qint64(uv.size() * sizeof(float));
    return file.write(reinterpret_cast<const char *>(&tag), 4) == 4 &&
           file.write(reinterpret_cast<const char *>(&width), 4) == 4 &&
           file.write(reinterpret_cast<const char *>(&height), 4) == 4 &&
           file.write(reinterpret_cast<const char *>(uv.data()), dataBytes) == dataBytes;
}

bool writeFlowAs(const QString &path, int rows, int cols, const std::vector<float> &uv)
{
    const QByteArray local = QFile::encodeName(path);
    const std::optional<FlowFormat> format = flowFormatForName(local.toStdString());
    if (!format)
        return false;
    FloatPlane u = vek_alloc_2(rows, cols);
    FloatPlane v = vek_alloc_2(rows, cols);
    for (std::size_t i = 0; i < u.size(); ++i) {
        u.data()[i] = uv[2 * i];
        v.data()[i] = uv[2 * i + 1];
    }
    try {
        writeFlow(*format, u, v, local.constData());
    } catch (const CError &error) {
        std::fprintf(stderr, "flowviewer-bench: %s\n", error.text);
        return false;
    }
    return true;
}

void openFlowOrExit(Vek_Zandor &w, const QString &path)
{
    w.filePath = path;
    w.browseByStep = false;
    w.LoadCurrentFile();
    if (!w.hasImage || !w.isFlow) {
        std::fprintf(stderr, "flowviewer-bench: cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
}

bool prepareFlow(BenchFlow &flow, const QString &workDir)
{
    Vek_Zandor w;
    w.filePath = flow.floPath;
    w.browseByStep = false;
    w.LoadCurrentFile();
    if (!w.hasImage || !w.isFlow || w.rows != flow.rows || w.cols != flow.cols) {
        std::fprintf(stderr, "flowviewer-bench: cannot open %s\n", qPrintable(flow.floPath));
        return false;
    }
    flow.stepCutoff = saturatingCutoff(w);
    flow.pngPath = workDir + QLatin1Char('/') + flow.name + QStringLiteral("_colorview.png");
    const QImage view(w.colorPlane.data(), w.cols, w.rows, w.colorPlane.bytesPerLine(),
                      QImage::Format_RGB888);
    if (!view.save(flow.pngPath, "PNG")) {
        std::fprintf(stderr, "flowviewer-bench: cannot write %s\n", qPrintable(flow.pngPath));
        return false;
    }
    return true;
}
