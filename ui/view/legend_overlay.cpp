#include "legend_overlay.h"

#include "flow_to_color.h"
#include "flow_tools.h"
#include "scale_control.h"
#include "tool_host.h"
#include "vek_zandor.h"

#include <QAction>
#include <QPainter>
#include <QSettings>
#include <QToolBar>

namespace {

const QString kVisibleKey = QStringLiteral("legend/visible");

} // namespace

LegendOverlay::LegendOverlay(Vek_Zandor *window, FlowTools *tools)
    : QObject(tools), window_(window), view_(window->ui.graphicsView), tools_(tools)
{
    action_ = new QAction(tr("Legend"), window);
    action_->setObjectName(QStringLiteral("actionLegend"));
    action_->setCheckable(true);
    action_->setChecked(QSettings().value(kVisibleKey, false).toBool());
    action_->setShortcut(QKeySequence(tr("L")));
    action_->setToolTip(tr("The colour key with the scale in effect (L)"));
    action_->setStatusTip(action_->toolTip());
    window->toolHost()->toolBar()->addAction(action_);
    window->addAction(action_);
    connect(action_, &QAction::toggled, this, [window](bool on) {
        QSettings().setValue(kVisibleKey, on);
        window->ui.graphicsView->updateOverlays();
    });
}

LegendOverlay::~LegendOverlay()
{
    if (view_)
        view_->removeOverlay(this);
}

std::optional<FlowLegend> LegendOverlay::current() const
{
    const Vek_Zandor &w = *window_;
    if (!action_->isChecked() || !w.hasImage || !w.isFlow)
        return std::nullopt;
    if (w.showIndividualDim)
        return channelLegend(w.flowCutoff);
    if (const std::optional<float> radius = tools_->colourRadius())
        return colourLegend(*radius, std::nullopt);
    // At a cutoff of 0 everything is clamped to 0, and the radius the coding finds is 0.
    return colourLegend(w.flowCutoff > 0 ? CutoffRadius(w.flowCutoff) : 0.0, w.flowCutoff);
}

QRectF LegendOverlay::square(const QRect &viewport) const
{
    const qreal side = kSide / window_->ui.graphicsView->devicePixelRatioF();
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
    paintFlowLegend(painter, square(viewport), window_->ui.graphicsView->devicePixelRatioF(),
                    *legend, wheel_);
}
