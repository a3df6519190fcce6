#ifndef FLOW_LEGEND_H
#define FLOW_LEGEND_H

#include <QImage>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

// What the legend beside a flow view says: for the colour view, the colour-wheel key with its
// rim (full saturation) labelled with the normalising radius in pixels of flow, and with the
// cutoff scale the cutoff square's inscribed circle too; for the channel view, two grey ramps
// from -K to K.
struct FlowLegend {
    enum Kind { Wheel, Ramps };
    Kind kind = Wheel;
    QString rimLabel;    // the wheel's rim: "14.1 px"
    QString cutoffLabel; // the inscribed circle: "cutoff 10"; empty when not marked
    QString lowLabel;    // the ramps' ends: "-10" and "10"
    QString highLabel;
};

// A radius in pixels of flow as the legend labels it: three significant digits, whole pixels
// from 100 on ("14.1 px", "0.5 px", "1230 px"); "no known vector" below 0.
QString legendRadiusLabel(double radius);

// The colour view normalised by radius; with a cutoff, the view is the cutoff's, whose
// inscribed circle is marked.
FlowLegend colourLegend(double radius, std::optional<int> cutoff);
FlowLegend channelLegend(int cutoff);

// The wheel of a legend side device pixels across: the key flo2png --wheel draws.
QImage legendWheel(int side);

// Paints the legend into square (in the painter's coordinates, side = square's width x dpr
// device pixels). wheel is legendWheel(side), used for the colour view's legend.
void paintFlowLegend(QPainter &painter, const QRectF &square, qreal dpr, const FlowLegend &legend,
                     const QImage &wheel);

#endif // FLOW_LEGEND_H
