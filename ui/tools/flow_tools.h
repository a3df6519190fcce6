#ifndef FLOW_TOOLS_H
#define FLOW_TOOLS_H

#include <QObject>

class ArrowOverlay;
class FrameBlend;
class LegendOverlay;
class ScaleControl;
class StatisticsPanel;
struct ToolContext;

// What helps to read a flow beyond its colours: the colour scales and the automatic cutoff,
// the statistics, the legend, the arrows and the blending with a frame. Each follows the
// document on its own; this puts them in their places.
class FlowTools : public QObject
{
    Q_OBJECT

public:
    explicit FlowTools(const ToolContext &tools);

    ScaleControl *scale() const { return scale_; }
    StatisticsPanel *statisticsPanel() const { return statisticsPanel_; }
    LegendOverlay *legend() const { return legend_; }
    ArrowOverlay *arrows() const { return arrows_; }
    FrameBlend *blend() const { return blend_; }

private:
    ScaleControl *scale_;
    StatisticsPanel *statisticsPanel_;
    LegendOverlay *legend_;
    ArrowOverlay *arrows_;
    FrameBlend *blend_;
};

#endif // FLOW_TOOLS_H
