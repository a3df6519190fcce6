// How the document draws what it holds: the cutoff, the views, the scene and the planes.
#include "viewer_document.h"

#include "flow_scale.h"
#include "pane_drawing.h"
#include "picture_loader.h"
#include "scene_panes.h"
#include "vek_zandor.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QSignalBlocker>

void ViewerDocument::setCutoff(int value)
{
    if (w_.keepCutoff)
        value = w_.flowCutoff;
    showCutoff(value);
    if (!w_.isFlow)
        return;
    const bool changed = value != w_.flowCutoff;
    w_.flowCutoff = value;
    drawViews();
    if (changed)
        emit cutoffChanged(value);
    refreshScene();
}

void ViewerDocument::setCutoffWidening(int value)
{
    QSlider *slider = w_.ui.verticalSlider_FlowCutoffVal;
    if (value > slider->maximum()) {
        const QSignalBlocker quiet(slider);
        slider->setRange(slider->minimum(), value);
    }
    setCutoff(value);
}

void ViewerDocument::drawViews()
{
    RenderScaledFlowViews(w_.flowCutoff, colourRadius(), w_.flowU, w_.flowV,
                          {w_.clampedU, w_.clampedV, w_.colorPlane, w_.dimXPlane, w_.dimYPlane},
                          w_.rows, w_.cols);
    emit viewsDrawn();
}

// Set quietly, so that setting one never re-enters SetFlowCutoff: each widget shows the value
// as far as its range reaches (the spin box ends at 1000, the slider where the flow's range
// does), and a value beyond one widget's end never drags the other back.
void ViewerDocument::showCutoff(int value)
{
    const QSignalBlocker quietSpinBox(w_.ui.spinBox_FlowCutoffVal);
    const QSignalBlocker quietSlider(w_.ui.verticalSlider_FlowCutoffVal);
    w_.ui.spinBox_FlowCutoffVal->setValue(value);
    w_.ui.verticalSlider_FlowCutoffVal->setValue(value);
}

void ViewerDocument::setKeep(bool on)
{
    w_.keepCutoff = on;
    updateCutoffControls();
    emit keepChanged(on);
}

// Under a magnitude scale the colour view does not use the cutoff, and only the channel views
// could show it.
void ViewerDocument::updateCutoffControls()
{
    const bool scaledByCutoff = scale_ == ColourScale::Cutoff || w_.showIndividualDim;
    QString tip;
    if (!scaledByCutoff)
        tip = scale_ == ColourScale::LongestVector
                  ? tr("The colour view is scaled by the longest vector; the cutoff is not used")
                  : tr("The colour view is scaled by the 99th percentile; the cutoff is not used");
    for (QWidget *control : {static_cast<QWidget *>(w_.ui.verticalSlider_FlowCutoffVal),
                             static_cast<QWidget *>(w_.ui.spinBox_FlowCutoffVal)}) {
        control->setEnabled(!w_.keepCutoff && scaledByCutoff);
        control->setToolTip(tip);
    }
}

void ViewerDocument::setShowChannels(bool on)
{
    w_.showIndividualDim = on;
    updateCutoffControls();
    emit showChannelsChanged(on);
    setCutoff(w_.flowCutoff);
}

void ViewerDocument::holdShowChannels(bool held)
{
    if (held == channelsHeld_)
        return;
    channelsHeld_ = held;
    QCheckBox *box = w_.ui.checkBox_ShowIndividualDim;
    box->setEnabled(!held);
    if (held) {
        w_.showIndividualDim = false;
        updateCutoffControls();
        emit showChannelsChanged(false);
    } else {
        setShowChannels(box->isChecked());
    }
}

void ViewerDocument::setScale(ColourScale scale)
{
    if (scale == scale_)
        return;
    scale_ = scale;
    updateCutoffControls();
    emit scaleChanged(scale);
    // Drawn again at the cutoff in force, which Keep cannot change.
    if (w_.isFlow)
        setCutoff(w_.flowCutoff);
}

void ViewerDocument::refreshScene()
{
    refreshScene(w_.showIndividualDim);
}

void ViewerDocument::refreshScene(bool showDims)
{
    // A tool that shows the picture in panes of its own (compare mode) lays the scene out.
    if (panes_ && panes_->layOutScene()) {
        emit sceneRefreshed();
        return;
    }

    const qreal W = w_.viewImage.width();
    const qreal H = w_.viewImage.height();
    const bool dims = showDims && w_.isFlow;
    const int cols = w_.cols;
    const int rows = w_.rows;

    w_.scene->setSceneRect(0, 0, dims ? 2 * W : W, H + kCaptionBand);

    if (dims) {
        placeCaption(w_.leftLabel, Vek_Zandor::tr("X Dimension (%1 X %2)").arg(cols).arg(rows), 0,
                     W, H);
        placeCaption(w_.rightLabel, Vek_Zandor::tr("Y Dimension (%1 X %2)").arg(cols).arg(rows),
                     W + kPaneGap, W, H);
        showPlane(w_.leftLayer, w_.dimXPlane);
        w_.leftLayer->setPos(0, 0);
        showPlane(w_.rightLayer, w_.dimYPlane);
        w_.rightLayer->setPos(W + kPaneGap, 0);
        w_.rightLayer->setVisible(true);
    } else {
        placeCaption(w_.leftLabel, Vek_Zandor::tr("Color Show (%1 X %2)").arg(cols).arg(rows), 0, W,
                     H);
        w_.rightLabel->setVisible(false);
        showPlane(w_.leftLayer, w_.colorPlane);
        w_.leftLayer->setPos(0, 0);
        w_.rightLayer->setVisible(false);
    }
    emit sceneRefreshed();
}

void ViewerDocument::allocatePlanes()
{
    // Built apart first so that a failure part way leaves every member null.
    takePlanes(allocatePicturePlanes(w_.rows, w_.cols));
}

void ViewerDocument::takePlanes(PicturePlanes &&planes)
{
    w_.colorPlane = std::move(planes.color);
    w_.dimXPlane = std::move(planes.dimX);
    w_.dimYPlane = std::move(planes.dimY);
    w_.flowU = std::move(planes.flowU);
    w_.flowV = std::move(planes.flowV);
    w_.clampedU = std::move(planes.clampedU);
    w_.clampedV = std::move(planes.clampedV);
}

void ViewerDocument::releasePlanes()
{
    // viewImage may wrap the colour plane's block; it must never outlive it.
    if (w_.colorPlane && w_.viewImage.constBits() == w_.colorPlane.data())
        w_.viewImage = QImage();

    w_.colorPlane.reset();
    w_.dimXPlane.reset();
    w_.dimYPlane.reset();
    w_.flowU.reset();
    w_.flowV.reset();
    w_.clampedU.reset();
    w_.clampedV.reset();

    w_.isFlow = false;
    w_.hasImage = false;
}
