#include "picture_overlays.h"

#include "arrow_layout.h"
#include "flow_legend.h"

#include "cerror.h"
#include "flow_to_color.h"

#include <QPainter>

#include <algorithm>

namespace {

// Larger pictures get the viewer's legend, smaller ones one that fits; below the smallest it
// could not be read.
constexpr int kLegendSide = 160;
constexpr int kLegendMargin = 8;
constexpr int kSmallestLegend = 32;

} // namespace

void blendOverFrame(QImage &colour, const QImage &frame, int opacity)
{
    if (colour.format() != QImage::Format_RGB888 || frame.format() != QImage::Format_RGB888 ||
        colour.size() != frame.size() || opacity < 0 || opacity > 100)
        throw CError("a blend needs two RGB pictures of one size and an opacity of 0 to 100");
    const int p = opacity;
    const int q = 100 - opacity;
    const int bytes = colour.width() * 3;
    for (int y = 0; y < colour.height(); ++y) {
        uchar *c = colour.scanLine(y);
        const uchar *f = frame.constScanLine(y);
        for (int i = 0; i < bytes; ++i)
            c[i] = uchar((p * c[i] + q * f[i] + 50) / 100);
    }
}

void drawArrowsInto(QImage &picture, const FloatPlane &u, const FloatPlane &v, int step)
{
    ArrowSource source;
    source.u = &u;
    source.v = &v;
    source.rows = std::min(u.rows(), picture.height());
    source.cols = std::min(u.cols(), picture.width());
    const std::vector<ArrowGlyph> arrows =
        layoutArrows(QRect(0, 0, source.cols, source.rows), 1.0, {source}, step);
    if (arrows.empty())
        return;
    const QImage::Format format = picture.format();
    // Qt paints lines into 32-bit pixels on its fast road.
    QImage canvas = picture.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        paintArrows(painter, arrows, 1.0);
    }
    picture = canvas.convertToFormat(format);
}

QImage withCornerLegend(const QImage &plain, std::optional<float> radius, int cutoff)
{
    QImage image = plain.convertToFormat(QImage::Format_RGB32);
    const int room = std::min(image.width(), image.height());
    const int margin = room >= kLegendSide + 2 * kLegendMargin ? kLegendMargin : 0;
    const int side = std::min(kLegendSide, room - 2 * margin);
    if (side < kSmallestLegend)
        return plain;
    const FlowLegend legend = radius
                                  ? colourLegend(*radius, std::nullopt)
                                  : colourLegend(cutoff > 0 ? CutoffRadius(cutoff) : 0.0, cutoff);
    {
        QPainter painter(&image);
        paintFlowLegend(
            painter,
            QRectF(image.width() - margin - side, image.height() - margin - side, side, side), 1.0,
            legend, legendWheel(side));
    }
    image = image.convertToFormat(QImage::Format_RGB888);
    image.setDotsPerMeterX(plain.dotsPerMeterX());
    image.setDotsPerMeterY(plain.dotsPerMeterY());
    return image;
}
