#include "vek_zandor.h"

#include "flow_scale.h"
#include "flow_tools.h"

#include <QSignalBlocker>

void Vek_Zandor::SetFlowCutoff(int value)
{
    if (keepCutoff)
        value = flowCutoff;
    showCutoff(value);
    if (!isFlow)
        return;
    flowCutoff = value;
    ++cutoffPasses;
    RenderScaledFlowViews(flowCutoff, flowTools_->colourRadius(), flowU, flowV,
                          {clampedU, clampedV, colorPlane, dimXPlane, dimYPlane}, rows, cols);
    RefreshScene(showIndividualDim);
}

// Set quietly, so that setting one never re-enters SetFlowCutoff: each widget shows the value
// as far as its range reaches (the spin box ends at 1000, the slider where the flow's range
// does), and a value beyond one widget's end never drags the other back.
void Vek_Zandor::showCutoff(int value)
{
    const QSignalBlocker quietSpinBox(ui.spinBox_FlowCutoffVal);
    const QSignalBlocker quietSlider(ui.verticalSlider_FlowCutoffVal);
    ui.spinBox_FlowCutoffVal->setValue(value);
    ui.verticalSlider_FlowCutoffVal->setValue(value);
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
