#include "flow_pictures.h"

#include "cimage.h"
#include "flo_check.h"
#include "flo_reader.h"
#include "flow_to_color.h"
#include "flow_views.h"

namespace {

constexpr int kDotsPerMeterAt96Dpi = 3780;

struct Flow {
    FloatPlane u;
    FloatPlane v;
};

// The planes take their size from the data actually read rather than from an earlier look at
// the header, so a file replaced between the check and the read can never leave part of a
// plane unwritten.
Flow readFlow(const char *path)
{
    CheckFlowFile(path);
    CImage image;
    ReadFlowFile(image, path);
    const int rows = image.shape().height;
    const int cols = image.shape().width;

    Flow flow{vek_alloc_2(rows, cols), vek_alloc_2(rows, cols)};
    for (int y = 0; y < rows; ++y) {
        const float *uv = reinterpret_cast<const float *>(image.row(y));
        float *u = flow.u[y];
        float *v = flow.v[y];
        for (int x = 0; x < cols; ++x) {
            u[x] = uv[2 * x];
            v[x] = uv[2 * x + 1];
        }
    }
    return flow;
}

} // namespace

FlowPictures drawFlowFile(const char *path, const ViewChoice &choice)
{
    const Flow flow = readFlow(path);
    const int rows = flow.u.rows();
    const int cols = flow.u.cols();

    const FloatPlane clampedU = vek_alloc_2(rows, cols);
    const FloatPlane clampedV = vek_alloc_2(rows, cols);
    FlowPictures pictures{vek_alloc_3(cols, rows), vek_alloc_3(cols, rows),
                          vek_alloc_3(cols, rows)};

    const int cutoff = choice.cutoff >= 0
                           ? choice.cutoff
                           : InitialFlowCutoff(flow.u, flow.v, clampedU, clampedV, rows, cols);
    RenderFlowViews(cutoff, flow.u, flow.v,
                    {clampedU, clampedV, pictures.color, pictures.dimX, pictures.dimY}, rows, cols);
    if (choice.autoScale)
        FlowToColor(0, pictures.color, flow.u, flow.v, rows, cols);
    return pictures;
}

QImage planeImage(const PixelPlane &plane)
{
    QImage image(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                 QImage::Format_RGB888);
    // Without a screen Qt would record 100 dpi; the viewer's Save As records the screen's, 96 on
    // an ordinary one, and with the same value both write the same file.
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    return image;
}
