#include "arrow_overlay.h"

#include "flow_tools.h"
#include "tool_host.h"
#include "vek_zandor.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QToolBar>

ArrowOverlay::ArrowOverlay(Vek_Zandor *window, FlowTools *tools)
    : QObject(tools), window_(window), view_(window->ui.graphicsView)
{
    action_ = new QAction(tr("Arrows"), window);
    action_->setObjectName(QStringLiteral("actionArrows"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(tr("V")));
    action_->setToolTip(tr("Arrows of the flow at true length (V)"));
    action_->setStatusTip(action_->toolTip());
    window->toolHost()->toolBar()->addAction(action_);
    window->addAction(action_);
    connect(action_, &QAction::toggled, window,
            [window] { window->ui.graphicsView->updateOverlays(); });
}

ArrowOverlay::~ArrowOverlay()
{
    if (view_)
        view_->removeOverlay(this);
}

std::vector<ArrowGlyph> ArrowOverlay::arrowsFor(const QRect &viewport) const
{
    const Vek_Zandor &w = *window_;
    if (!action_->isChecked() || !w.hasImage || !w.isFlow || !w.flowU || !w.flowV)
        return {};
    const FlowView *view = w.ui.graphicsView;
    std::vector<ArrowSource> sources;
    for (const QGraphicsPixmapItem *layer : {w.leftLayer, w.rightLayer}) {
        if (!layer->isVisible() || layer->pixmap().isNull())
            continue;
        sources.push_back({layer->sceneTransform() * view->viewportTransform(), &w.flowU, &w.flowV,
                           w.rows, w.cols});
    }
    return layoutArrows(viewport, view->devicePixelRatioF(), sources);
}

void ArrowOverlay::paintOverlay(QPainter &painter, const QRect &viewport)
{
    paintArrows(painter, arrowsFor(viewport), window_->ui.graphicsView->devicePixelRatioF());
}
