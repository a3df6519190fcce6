#ifndef FLOW_TOOLS_H
#define FLOW_TOOLS_H

#include "flow_scale.h"
#include "flow_statistics.h"

#include <QObject>
#include <QPoint>

#include <optional>

class ArrowOverlay;
class FrameBlend;
class LegendOverlay;
class ScaleControl;
class StatisticsPanel;
class Vek_Zandor;
struct FlowLoadOptions;

// What helps to read a flow beyond its colours, on the window's behalf: the colour scales and
// the automatic cutoff, the statistics, the legend, the arrows and the blending with a frame.
// The window tells it when a picture goes on screen, when the scene is drawn anew and where the
// pointer is; everything else it does through the window's own routines.
class FlowTools : public QObject
{
    Q_OBJECT

public:
    explicit FlowTools(Vek_Zandor *window);
    ~FlowTools() override;

    // What a flow load draws with: the colour scale in effect, and the statistics' memory.
    FlowLoadOptions loadOptions();

    // A picture is about to go on screen, with its statistics when it is a flow.
    void pictureShown(std::optional<FlowStatistics> statistics);
    // The scene shows the window's planes anew: a load, a cutoff, the other view.
    void sceneRefreshed();
    // The pixel under the pointer, or none.
    void pointerAt(std::optional<QPoint> pixel);

    // The statistics of the flow on screen; null for a raster image or before any flow.
    const FlowStatistics *statistics() const;
    // The colour view's normalising radius under a magnitude scale; none under the cutoff's.
    std::optional<float> colourRadius() const;

    ScaleControl *scale() const { return scale_; }
    StatisticsPanel *statisticsPanel() const { return statisticsPanel_; }
    LegendOverlay *legend() const { return legend_; }
    ArrowOverlay *arrows() const { return arrows_; }
    FrameBlend *blend() const { return blend_; }

private:
    Vek_Zandor *const window_;
    std::optional<FlowStatistics> statistics_;
    MagnitudeScratch scratch_;
    ScaleControl *scale_;
    StatisticsPanel *statisticsPanel_;
    LegendOverlay *legend_;
    ArrowOverlay *arrows_;
    FrameBlend *blend_;
};

#endif // FLOW_TOOLS_H
