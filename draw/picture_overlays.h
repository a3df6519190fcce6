#ifndef PICTURE_OVERLAYS_H
#define PICTURE_OVERLAYS_H

// What an exported colour view can carry beyond its colours, drawn into the picture itself:
// the frame under it, the arrows of the flow and the legend. Each works on a picture of its
// own, so any thread may draw.

#include "planes.h"

#include <QImage>

#include <optional>

// One arrow for every step x step pixels, as the viewer draws them.
constexpr int kDefaultArrowStep = 32;
constexpr int kDefaultBlendOpacity = 50; // percent

// colour over frame, both RGB888 of one size, at opacity percent (0 to 100): each channel is
// (P x colour + (100 - P) x frame + 50) / 100 in integers.
void blendOverFrame(QImage &colour, const QImage &frame, int opacity);

// The flow's arrows drawn into picture at its own scale (one picture pixel per flow pixel), one
// for each step x step cell whose centre pixel holds a known vector. picture stays RGB888.
void drawArrowsInto(QImage &picture, const FloatPlane &u, const FloatPlane &v, int step);

// picture with the viewer's colour legend in its bottom-right corner, labelled by radius under
// a magnitude scale or else by the cutoff; picture itself when too small to hold a legend that
// could be read. The result is RGB888 with picture's resolution.
QImage withCornerLegend(const QImage &picture, std::optional<float> radius, int cutoff);

#endif // PICTURE_OVERLAYS_H
