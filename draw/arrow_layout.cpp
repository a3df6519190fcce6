#include "arrow_layout.h"

#include "flow_unknown.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {

// The head: two strokes back from the tip at this angle, a share of the length up to a limit.
constexpr double kHeadAngle = 0.45; // radians
constexpr double kHeadShare = 0.35;
constexpr double kHeadLength = 7.0; // device pixels

} // namespace

std::vector<ArrowGlyph> layoutArrows(const QRect &viewport, qreal dpr,
                                     const std::vector<ArrowSource> &sources, int cell)
{
    std::vector<ArrowGlyph> arrows;
    if (cell <= 0)
        return arrows;
    const int across = int(std::ceil(viewport.width() * dpr / cell));
    const int down = int(std::ceil(viewport.height() * dpr / cell));
    if (across <= 0 || down <= 0)
        return arrows;
    arrows.reserve(std::size_t(across) * std::size_t(down));

    for (const ArrowSource &source : sources) {
        bool invertible = false;
        const QTransform toPixel = source.pixelToViewport.inverted(&invertible);
        if (!invertible || !source.u || !source.v)
            continue;
        const QTransform &t = source.pixelToViewport;
        for (int j = 0; j < down; ++j) {
            for (int i = 0; i < across; ++i) {
                const QPointF centre(viewport.left() + (i * cell + cell / 2) / dpr,
                                     viewport.top() + (j * cell + cell / 2) / dpr);
                const QPointF at = toPixel.map(centre);
                // Comparisons first: a point far outside must never reach an int.
                if (!(at.x() >= 0 && at.y() >= 0 && at.x() < source.cols && at.y() < source.rows))
                    continue;
                const int x = int(at.x());
                const int y = int(at.y());
                const float u = (*source.u)[y][x];
                const float v = (*source.v)[y][x];
                if (isUnknownFlow(u, v))
                    continue;
                // The vector through the transform's linear part: true length at any zoom.
                const QPointF step(u * t.m11() + v * t.m21(), u * t.m12() + v * t.m22());
                ArrowGlyph arrow;
                arrow.from = centre;
                arrow.to = centre + step;
                arrow.dot = std::hypot(step.x(), step.y()) * dpr < kMinArrowLength;
                arrows.push_back(arrow);
            }
        }
    }
    return arrows;
}

void paintArrows(QPainter &painter, const std::vector<ArrowGlyph> &arrows, qreal dpr)
{
    if (arrows.empty())
        return;
    QVector<QLineF> lines;
    lines.reserve(int(arrows.size()) * 3);
    for (const ArrowGlyph &a : arrows) {
        if (a.dot)
            continue;
        const QLineF shaft(a.from, a.to);
        lines.append(shaft);
        const double length = shaft.length();
        const double head = std::min(kHeadLength / dpr, kHeadShare * length);
        const double back = std::atan2(a.from.y() - a.to.y(), a.from.x() - a.to.x());
        for (double side : {-kHeadAngle, kHeadAngle})
            lines.append(QLineF(
                a.to, a.to + QPointF(head * std::cos(back + side), head * std::sin(back + side))));
    }

    // A screenful of arrows is redrawn at every scroll and zoom step, so only the thin light line
    // is antialiased; the dark edge under it is not, and has square caps: round caps and wide
    // antialiased pens would make the overlay slower than the picture it lies on.
    painter.save();
    const QColor outline(20, 20, 20);
    const QColor ink(255, 255, 255);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(outline, 3.0 / dpr, Qt::SolidLine, Qt::SquareCap));
    painter.drawLines(lines);
    const qreal outer = 2.0 / dpr;
    const qreal inner = 1.0 / dpr;
    for (const ArrowGlyph &a : arrows) {
        if (!a.dot)
            continue;
        painter.fillRect(QRectF(a.from.x() - outer, a.from.y() - outer, 2 * outer, 2 * outer),
                         outline);
        painter.fillRect(QRectF(a.from.x() - inner, a.from.y() - inner, 2 * inner, 2 * inner), ink);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QPen light(ink, 1.0);
    light.setCosmetic(true);
    painter.setPen(light);
    painter.drawLines(lines);
    painter.restore();
}
