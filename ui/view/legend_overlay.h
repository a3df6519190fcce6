#ifndef LEGEND_OVERLAY_H
#define LEGEND_OVERLAY_H

#include "flow_legend.h"
#include "view_overlay.h"

#include <QImage>
#include <QObject>
#include <QPointer>

#include <optional>

class FlowView;
class QAction;
class ViewerDocument;
struct ToolContext;

// The legend in the view's bottom-right corner (the checkable action "Legend", key L,
// remembered across starts): the colour-wheel key labelled with the scale in effect, or the
// grey ramps of the channel view. Hidden for raster images.
class LegendOverlay : public QObject, public ViewOverlay
{
    Q_OBJECT

public:
    // Device pixels across, and the gap to the corner in the view's own pixels.
    static constexpr int kSide = 160;
    static constexpr int kMargin = 8;

    explicit LegendOverlay(const ToolContext &tools);
    ~LegendOverlay() override;

    QAction *action() const { return action_; }

    // What the legend shows now, or nothing while it is off or no flow is on screen.
    std::optional<FlowLegend> current() const;
    // Where it goes in a viewport of that size.
    QRectF square(const QRect &viewport) const;

    void paintOverlay(QPainter &painter, const QRect &viewport) override;

private:
    ViewerDocument *const document_;
    // The window deletes its view before the tools.
    QPointer<FlowView> view_;
    QAction *action_;
    QImage wheel_; // drawn once
};

#endif // LEGEND_OVERLAY_H
