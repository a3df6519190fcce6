#include "flow_key.h"

#include "color_wheel.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The unit circle takes this share of the picture, leaving room for the darker ring of
// vectors longer than the cutoff.
double unitRadius(int size)
{
    return size * 64.0 / 150.0;
}

// Edges rounded to whole pixels keep the axes crisp without antialiasing.
QRect pixelRect(double left, double top, double right, double bottom)
{
    const int l = int(std::lround(left));
    const int t = int(std::lround(top));
    return QRect(l, t, int(std::lround(right)) - l, int(std::lround(bottom)) - t);
}

void fillWheel(QImage &image, const FlowKeyLayout &k)
{
    const int n = k.samples * k.samples;
    for (int y = 0; y < k.size; ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < k.size; ++x, pixel += 3) {
            int sum[3] = {0, 0, 0};
            for (int sy = 0; sy < k.samples; ++sy) {
                for (int sx = 0; sx < k.samples; ++sx) {
                    const double px = x + (sx + 0.5) / k.samples;
                    const double py = y + (sy + 0.5) / k.samples;
                    unsigned char bgr[3];
                    // Image y grows downwards, as v does in a flow field.
                    VectorColor(float((px - k.centre) / k.radius),
                                float((py - k.centre) / k.radius), bgr);
                    for (int b = 0; b < 3; ++b)
                        sum[b] += bgr[b];
                }
            }
            pixel[0] = uchar((sum[2] + n / 2) / n);
            pixel[1] = uchar((sum[1] + n / 2) / n);
            pixel[2] = uchar((sum[0] + n / 2) / n);
        }
    }
}

void drawAxes(QPainter &p, const FlowKeyLayout &k)
{
    const QColor ink(20, 20, 20, 200);
    const double c = k.centre;
    const double half = k.axisWidth / 2.0;
    // Without a gap the two halves of an axis meet exactly, so no pixel is inked twice.
    const double clear = k.centreGap > 0 ? half + k.centreGap : 0.0;
    p.fillRect(pixelRect(0, c - half, c - clear, c + half), ink);
    p.fillRect(pixelRect(c + clear, c - half, k.size, c + half), ink);
    p.fillRect(pixelRect(c - half, 0, c + half, c - clear), ink);
    p.fillRect(pixelRect(c - half, c + clear, c + half, k.size), ink);

    for (int step = 1; step <= 4; ++step) {
        const double offset = double(std::lround(step * k.radius / 4));
        const int tick = step == 4 ? 2 * k.tickHalf : k.tickHalf;
        for (int sign : {-1, 1}) {
            const double at = c + sign * offset;
            p.fillRect(pixelRect(at - half, c - tick, at + half, c + tick), ink);
            p.fillRect(pixelRect(c - tick, at - half, c + tick, at + half), ink);
        }
    }
}

} // namespace

FlowKeyLayout iconKeyLayout(int size)
{
    FlowKeyLayout k;
    k.size = size;
    k.centre = size / 2.0;
    k.radius = unitRadius(size);
    k.samples = 4;
    k.axisWidth = 2;
    k.tickHalf = std::max(1, int(std::lround(3.0 * size / 150.0)));
    k.centreGap = 0;
    k.ringWidth = std::max(1.0, size / 150.0);
    return k;
}

FlowKeyLayout legendKeyLayout(int size)
{
    FlowKeyLayout k;
    k.size = size;
    k.centre = size / 2 + 0.5;
    k.radius = unitRadius(size);
    k.samples = 1;
    // Odd widths centre the axes on the middle pixel's row and column.
    k.axisWidth = 1 + 2 * (size / 512);
    k.tickHalf = std::max(2, size / 64);
    k.centreGap = std::max(3, size / 32);
    k.ringWidth = std::max(1.0, size / 256.0);
    return k;
}

QImage drawFlowKey(const FlowKeyLayout &layout)
{
    QImage image(layout.size, layout.size, QImage::Format_RGB888);
    fillWheel(image, layout);

    QPainter p(&image);
    drawAxes(p, layout);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 20, 20, 110), layout.ringWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(layout.centre, layout.centre), layout.radius, layout.radius);
    return image;
}
