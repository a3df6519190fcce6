#include "vek_zandor.h"

#include "flow_tools.h"
#include "pane_drawing.h"
#include "scene_panes.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>

void Vek_Zandor::RefreshScene(bool showDims)
{
    // A tool that shows the picture in panes of its own (compare mode) lays the scene out.
    if (scenePanes_ && scenePanes_->layOutScene()) {
        if (flowTools_)
            flowTools_->sceneRefreshed();
        return;
    }

    const qreal W = viewImage.width();
    const qreal H = viewImage.height();
    const bool dims = showDims && isFlow;

    scene->setSceneRect(0, 0, dims ? 2 * W : W, H + kCaptionBand);

    if (dims) {
        placeCaption(leftLabel, tr("X Dimension (%1 X %2)").arg(cols).arg(rows), 0, W, H);
        placeCaption(rightLabel, tr("Y Dimension (%1 X %2)").arg(cols).arg(rows), W + kPaneGap, W,
                     H);
        showPlane(leftLayer, dimXPlane);
        leftLayer->setPos(0, 0);
        showPlane(rightLayer, dimYPlane);
        rightLayer->setPos(W + kPaneGap, 0);
        rightLayer->setVisible(true);
    } else {
        placeCaption(leftLabel, tr("Color Show (%1 X %2)").arg(cols).arg(rows), 0, W, H);
        rightLabel->setVisible(false);
        showPlane(leftLayer, colorPlane);
        leftLayer->setPos(0, 0);
        rightLayer->setVisible(false);
    }
    if (flowTools_)
        flowTools_->sceneRefreshed();
}
