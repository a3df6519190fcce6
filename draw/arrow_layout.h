#ifndef ARROW_LAYOUT_H
#define ARROW_LAYOUT_H

#include "planes.h"

#include <QPointF>
#include <QRect>
#include <QTransform>

#include <vector>

class QPainter;

// A picture of a flow on screen: where its pixels land in the viewport, and its vectors.
struct ArrowSource {
    QTransform pixelToViewport; // picture pixel coordinates to the viewport's
    const FloatPlane *u = nullptr;
    const FloatPlane *v = nullptr;
    int rows = 0;
    int cols = 0;
};

// One arrow, in the viewport's coordinates: from the cell's centre along the vector at true
// scale, or a dot where that is shorter than kMinArrowLength device pixels.
struct ArrowGlyph {
    QPointF from;
    QPointF to;
    bool dot = false;
};

constexpr int kArrowCell = 32;          // device pixels a side
constexpr double kMinArrowLength = 2.0; // device pixels

// One arrow for each cell-square cell of device pixels of the viewport whose centre lies on a
// picture, from the vector of the pixel there; none for unknown vectors. viewport is in the
// viewport's coordinates, dpr device pixels to one of them.
std::vector<ArrowGlyph> layoutArrows(const QRect &viewport, qreal dpr,
                                     const std::vector<ArrowSource> &sources,
                                     int cell = kArrowCell);

// Light arrows with a dark outline, which show on any colour.
void paintArrows(QPainter &painter, const std::vector<ArrowGlyph> &arrows, qreal dpr);

#endif // ARROW_LAYOUT_H
