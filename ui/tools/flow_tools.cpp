#include "flow_tools.h"

#include "arrow_overlay.h"
#include "flow_view.h"
#include "frame_blend.h"
#include "legend_overlay.h"
#include "scale_control.h"
#include "statistics_panel.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QGroupBox>
#include <QMainWindow>

FlowTools::FlowTools(const ToolContext &tools) : QObject(tools.window)
{
    scale_ = new ScaleControl(tools);
    statisticsPanel_ = new StatisticsPanel(tools);
    legend_ = new LegendOverlay(tools);
    arrows_ = new ArrowOverlay(tools);
    blend_ = new FrameBlend(tools);
    // The legend over the arrows.
    tools.view->addOverlay(arrows_);
    tools.view->addOverlay(legend_);
    tools.host->addPanelGroup(scale_->group());
    tools.host->addPanelGroup(statisticsPanel_->group());
    tools.host->addPanelGroup(blend_->group());
    // After the tools that follow the scene: the overlays draw over what they leave.
    FlowView *view = tools.view;
    connect(tools.document, &ViewerDocument::sceneRefreshed, this,
            [view] { view->updateOverlays(); });
}
