#include "vek_zandor.h"

#include "flow_views.h"

void Vek_Zandor::SetFlowCutoff(int value)
{
    if (keepCutoff)
        value = flowCutoff;

    // Setting a widget re-enters this slot through its valueChanged signal; the re-entered
    // calls only bring the widgets into agreement, and this call redraws once at the end.
    ++cutoffDepth;
    if (ui.spinBox_FlowCutoffVal->value() != value)
        ui.spinBox_FlowCutoffVal->setValue(value);
    if (ui.verticalSlider_FlowCutoffVal->value() != value)
        ui.verticalSlider_FlowCutoffVal->setValue(value);
    --cutoffDepth;

    if (!isFlow)
        return;
    flowCutoff = value;
    if (cutoffDepth > 0)
        return;

    ++cutoffPasses;
    RenderFlowViews(flowCutoff, flowU, flowV,
                    {clampedU, clampedV, colorPlane, dimXPlane, dimYPlane}, rows, cols);
    if (!sceneRefreshDeferred)
        RefreshScene(showIndividualDim);
}

void Vek_Zandor::SetShowIndividualDim(bool on)
{
    showIndividualDim = on;
    SetFlowCutoff(flowCutoff);
}

void Vek_Zandor::SetKeepFlowCutoffValue(bool on)
{
    keepCutoff = on;
    ui.verticalSlider_FlowCutoffVal->setEnabled(!on);
    ui.spinBox_FlowCutoffVal->setEnabled(!on);
}
