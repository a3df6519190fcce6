#include "flow_tools.h"

#include "arrow_overlay.h"
#include "frame_blend.h"
#include "legend_overlay.h"
#include "picture_loader.h"
#include "scale_control.h"
#include "statistics_panel.h"
#include "tool_host.h"
#include "vek_zandor.h"

FlowTools::FlowTools(Vek_Zandor *window) : QObject(window), window_(window)
{
    ToolHost *host = window->toolHost();
    scale_ = new ScaleControl(window, this);
    statisticsPanel_ = new StatisticsPanel(window, this);
    legend_ = new LegendOverlay(window, this);
    arrows_ = new ArrowOverlay(window, this);
    blend_ = new FrameBlend(window, this);
    // The legend over the arrows.
    window->ui.graphicsView->addOverlay(arrows_);
    window->ui.graphicsView->addOverlay(legend_);
    host->addPanelGroup(scale_->group());
    host->addPanelGroup(statisticsPanel_->group());
    host->addPanelGroup(blend_->group());
}

FlowTools::~FlowTools() = default;

FlowLoadOptions FlowTools::loadOptions()
{
    return {scale_->scale(), &scratch_};
}

void FlowTools::pictureShown(std::optional<FlowStatistics> statistics)
{
    statistics_ = std::move(statistics);
    statisticsPanel_->showStatistics(statistics_ ? &*statistics_ : nullptr);
    blend_->pictureShown();
}

void FlowTools::sceneRefreshed()
{
    scale_->updateState();
    blend_->sceneRefreshed();
    window_->ui.graphicsView->updateOverlays();
}

void FlowTools::pointerAt(std::optional<QPoint> pixel)
{
    statisticsPanel_->showPointer(pixel);
}

const FlowStatistics *FlowTools::statistics() const
{
    return statistics_ && window_->isFlow ? &*statistics_ : nullptr;
}

std::optional<float> FlowTools::colourRadius() const
{
    const FlowStatistics *s = statistics();
    return s ? MagnitudeScaleRadius(scale_->scale(), *s) : std::nullopt;
}
