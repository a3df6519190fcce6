#include "flow_legend.h"

#include "flow_key.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLabelBack(0, 0, 0, 160);
const QColor kLabelInk(255, 255, 255);

QFont labelFont(int side, qreal dpr)
{
    QFont font;
    // About 12 device pixels on a 160-pixel legend; never below what can still be read.
    font.setPixelSize(std::max(1, int(std::lround(std::max(9.0, side / 13.0) / dpr))));
    return font;
}

// Text on a dark box, centred at centre.
void paintLabel(QPainter &p, const QPointF &centre, const QString &text)
{
    if (text.isEmpty())
        return;
    const QFontMetricsF metrics(p.font());
    const qreal pad = metrics.height() / 6;
    QRectF box(0, 0, metrics.horizontalAdvance(text) + 2 * pad, metrics.height());
    box.moveCenter(centre);
    p.setPen(Qt::NoPen);
    p.setBrush(kLabelBack);
    p.drawRoundedRect(box, pad, pad);
    p.setPen(kLabelInk);
    p.drawText(box, Qt::AlignCenter, text);
}

void paintWheel(QPainter &p, const QRectF &square, qreal dpr, const FlowLegend &legend,
                const QImage &wheel)
{
    const int side = int(std::lround(square.width() * dpr));
    QImage key = wheel;
    key.setDevicePixelRatio(dpr);
    p.drawImage(square.topLeft(), key);

    const FlowKeyLayout layout = legendKeyLayout(side);
    const QPointF centre = square.topLeft() + QPointF(layout.centre, layout.centre) / dpr;
    const qreal rim = layout.radius / dpr;
    p.setFont(labelFont(side, dpr));
    if (!legend.cutoffLabel.isEmpty()) {
        // The cutoff square's inscribed circle: the cutoff, where the rim is cutoff x sqrt(2).
        const qreal inscribed = rim / std::sqrt(2.0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 0, 170), 3.0 / dpr));
        p.drawEllipse(centre, inscribed, inscribed);
        p.setPen(QPen(QColor(255, 255, 255, 230), 1.0 / dpr, Qt::DashLine));
        p.drawEllipse(centre, inscribed, inscribed);
        paintLabel(p, centre + QPointF(0, inscribed), legend.cutoffLabel);
    }
    paintLabel(p, centre - QPointF(0, rim), legend.rimLabel);
}

void paintRamps(QPainter &p, const QRectF &square, qreal dpr, const FlowLegend &legend)
{
    const int side = int(std::lround(square.width() * dpr));
    p.setPen(Qt::NoPen);
    p.setBrush(kLabelBack);
    p.drawRoundedRect(square, square.width() / 20, square.width() / 20);
    p.setFont(labelFont(side, dpr));
    const QFontMetricsF metrics(p.font());
    const qreal pad = square.width() / 16;
    const qreal rowHeight = (square.height() - 2 * pad) / 2;
    const QStringList names = {QStringLiteral("u"), QStringLiteral("v")};
    for (int i = 0; i < 2; ++i) {
        const qreal top = square.top() + pad + i * rowHeight;
        const QRectF caption(square.left() + pad, top, square.width() - 2 * pad, metrics.height());
        const QRectF ramp(caption.left(), caption.bottom(), caption.width(),
                          rowHeight - 2 * metrics.height() - pad / 2);
        const QRectF ends(caption.left(), ramp.bottom(), caption.width(), metrics.height());
        QLinearGradient grey(ramp.topLeft(), ramp.topRight());
        grey.setColorAt(0, Qt::black);
        grey.setColorAt(1, Qt::white);
        p.setPen(QPen(QColor(128, 128, 128), 1.0 / dpr));
        p.setBrush(grey);
        p.drawRect(ramp);
        p.setPen(kLabelInk);
        p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, names.at(i));
        p.drawText(ends, Qt::AlignLeft | Qt::AlignVCenter, legend.lowLabel);
        p.drawText(ends, Qt::AlignRight | Qt::AlignVCenter, legend.highLabel);
    }
}

} // namespace

QString legendRadiusLabel(double radius)
{
    if (radius < 0)
        return QStringLiteral("no known vector");
    if (radius >= 100)
        return QStringLiteral("%1 px").arg(std::round(radius), 0, 'f', 0);
    return QStringLiteral("%1 px").arg(radius, 0, 'g', 3);
}

FlowLegend colourLegend(double radius, std::optional<int> cutoff)
{
    FlowLegend legend;
    legend.rimLabel = legendRadiusLabel(radius);
    if (cutoff)
        legend.cutoffLabel = QStringLiteral("cutoff %1").arg(*cutoff);
    return legend;
}

FlowLegend channelLegend(int cutoff)
{
    FlowLegend legend;
    legend.kind = FlowLegend::Ramps;
    legend.lowLabel = QString::number(-cutoff);
    legend.highLabel = QString::number(cutoff);
    return legend;
}

QImage legendWheel(int side)
{
    return drawFlowKey(legendKeyLayout(side));
}

void paintFlowLegend(QPainter &painter, const QRectF &square, qreal dpr, const FlowLegend &legend,
                     const QImage &wheel)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (legend.kind == FlowLegend::Wheel)
        paintWheel(painter, square, dpr, legend, wheel);
    else
        paintRamps(painter, square, dpr, legend);
    painter.restore();
}
