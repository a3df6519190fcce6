#include "arrow_overlay.h"

#include "flow_view.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QMainWindow>
#include <QToolBar>

ArrowOverlay::ArrowOverlay(const ToolContext &tools)
    : QObject(tools.window), document_(tools.document), view_(tools.view)
{
    QMainWindow *window = tools.window;
    FlowView *view = tools.view;
    action_ = new QAction(tr("Arrows"), window);
    action_->setObjectName(QStringLiteral("actionArrows"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(tr("V")));
    action_->setToolTip(tr("Arrows of the flow at true length (V)"));
    action_->setStatusTip(action_->toolTip());
    tools.host->toolBar()->addAction(action_);
    window->addAction(action_);
    connect(action_, &QAction::toggled, view, [view] { view->updateOverlays(); });
}

ArrowOverlay::~ArrowOverlay()
{
    if (view_)
        view_->removeOverlay(this);
}

std::vector<ArrowGlyph> ArrowOverlay::arrowsFor(const QRect &viewport) const
{
    const ViewerDocument &d = *document_;
    if (!action_->isChecked() || !d.showsFlow() || !d.u() || !d.v() || !view_)
        return {};
    const FlowView *view = view_;
    std::vector<ArrowSource> sources;
    for (const QGraphicsPixmapItem *layer : {d.leftLayer(), d.rightLayer()}) {
        if (!layer->isVisible() || layer->pixmap().isNull())
            continue;
        sources.push_back({layer->sceneTransform() * view->viewportTransform(), &d.u(), &d.v(),
                           d.rows(), d.cols()});
    }
    return layoutArrows(viewport, view->devicePixelRatioF(), sources);
}

void ArrowOverlay::paintOverlay(QPainter &painter, const QRect &viewport)
{
    paintArrows(painter, arrowsFor(viewport), view_->devicePixelRatioF());
}
