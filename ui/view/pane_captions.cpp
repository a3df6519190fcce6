#include "pane_captions.h"

#include "flow_view.h"
#include "pane_drawing.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

// In the viewport's pixels: the room around the text inside its box, and the box's distance
// from its picture.
constexpr qreal kPadding = 3;
constexpr qreal kGap = 2;

const QColor kBox(255, 255, 255, 210);

} // namespace

PaneCaptions::PaneCaptions(FlowView *view) : view_(view)
{}

PaneCaptions::~PaneCaptions()
{
    if (view_)
        view_->removeOverlay(this);
}

void PaneCaptions::show(const QList<Caption> &captions, const QFont &font, const QColor &ink)
{
    captions_ = captions;
    font_ = font;
    ink_ = ink;
    if (!view_)
        return;
    if (captions_.isEmpty())
        view_->removeOverlay(this);
    else
        view_->addOverlay(this);
}

QList<PaneCaptions::Placement> PaneCaptions::placements() const
{
    QList<Placement> placed;
    if (!view_)
        return placed;
    const QTransform toViewport = view_->viewportTransform();
    // Measured on the viewport, so that a point size means what it means in the window's labels.
    const QFontMetricsF metrics(font_, view_->viewport());
    const qreal height = metrics.height() + 2 * kPadding;
    for (const Caption &caption : captions_) {
        const QRectF picture = toViewport.mapRect(caption.picture);
        const QRectF cell = toViewport.mapRect(caption.picture.adjusted(0, 0, 0, kCaptionBand));
        const QString text = metrics.elidedText(caption.text, Qt::ElideRight,
                                                std::max<qreal>(0, cell.width() - 2 * kPadding));
        const qreal width = std::min(metrics.horizontalAdvance(text) + 2 * kPadding, cell.width());
        const qreal top =
            std::max(cell.top(), std::min(picture.bottom() + kGap, cell.bottom() - height));
        const QRectF box(cell.center().x() - width / 2, top, width, height);
        placed.append({box.intersected(cell), text});
    }
    return placed;
}

void PaneCaptions::paintOverlay(QPainter &painter, const QRect &viewport)
{
    painter.save();
    painter.setFont(font_);
    painter.setPen(ink_);
    const QList<Placement> placed = placements();
    for (const Placement &p : placed) {
        if (p.box.isEmpty() || !p.box.intersects(viewport))
            continue;
        painter.save();
        painter.setClipRect(p.box, Qt::IntersectClip);
        painter.fillRect(p.box, kBox);
        painter.drawText(p.box, Qt::AlignCenter | Qt::TextSingleLine, p.text);
        painter.restore();
    }
    painter.restore();
}
