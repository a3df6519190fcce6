#include "legend_overlay.h"

#include "flow_to_color.h"
#include "flow_view.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QMainWindow>
#include <QPainter>
#include <QSettings>
#include <QToolBar>

namespace {

const QString kVisibleKey = QStringLiteral("legend/visible");

} // namespace

LegendOverlay::LegendOverlay(const ToolContext &tools)
    : QObject(tools.window), document_(tools.document), view_(tools.view)
{
    QMainWindow *window = tools.window;
    FlowView *view = tools.view;
    action_ = new QAction(tr("Legend"), window);
    action_->setObjectName(QStringLiteral("actionLegend"));
    action_->setCheckable(true);
    action_->setChecked(QSettings().value(kVisibleKey, false).toBool());
    action_->setShortcut(QKeySequence(tr("L")));
    action_->setToolTip(tr("The colour key with the scale in effect (L)"));
    action_->setStatusTip(action_->toolTip());
    tools.host->toolBar()->addAction(action_);
    window->addAction(action_);
    connect(action_, &QAction::toggled, this, [view](bool on) {
        QSettings().setValue(kVisibleKey, on);
        view->updateOverlays();
    });
}

LegendOverlay::~LegendOverlay()
{
    if (view_)
        view_->removeOverlay(this);
}

std::optional<FlowLegend> LegendOverlay::current() const
{
    const ViewerDocument &d = *document_;
    if (!action_->isChecked() || !d.showsFlow())
        return std::nullopt;
    const int cutoff = d.cutoff();
    if (d.showChannels())
        return channelLegend(cutoff);
    if (const std::optional<float> radius = d.colourRadius())
        return colourLegend(*radius, std::nullopt);
    // At a cutoff of 0 everything is clamped to 0, and the radius the coding finds is 0.
    return colourLegend(cutoff > 0 ? CutoffRadius(cutoff) : 0.0, cutoff);
}

QRectF LegendOverlay::square(const QRect &viewport) const
{
    const qreal side = kSide / view_->devicePixelRatioF();
    return QRectF(viewport.right() + 1 - kMargin - side, viewport.bottom() + 1 - kMargin - side,
                  side, side);
}

void LegendOverlay::paintOverlay(QPainter &painter, const QRect &viewport)
{
    const std::optional<FlowLegend> legend = current();
    if (!legend)
        return;
    if (wheel_.isNull())
        wheel_ = legendWheel(kSide);
    paintFlowLegend(painter, square(viewport), view_->devicePixelRatioF(), *legend, wheel_);
}
