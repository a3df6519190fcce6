#ifndef ARROW_OVERLAY_H
#define ARROW_OVERLAY_H

#include "arrow_layout.h"
#include "view_overlay.h"

#include <QObject>
#include <QPointer>

class FlowView;
class QAction;
class ViewerDocument;
struct ToolContext;

// Arrows over the flow in the view (the checkable action "Arrows", key V): they follow zoom and
// panning, at true scale.
class ArrowOverlay : public QObject, public ViewOverlay
{
    Q_OBJECT

public:
    explicit ArrowOverlay(const ToolContext &tools);
    ~ArrowOverlay() override;

    QAction *action() const { return action_; }

    // The arrows for viewport as the view shows the window's flow now: none while the action
    // is off or no flow is on screen.
    std::vector<ArrowGlyph> arrowsFor(const QRect &viewport) const;

    void paintOverlay(QPainter &painter, const QRect &viewport) override;

private:
    ViewerDocument *const document_;
    // The window deletes its view before the tools.
    QPointer<FlowView> view_;
    QAction *action_;
};

#endif // ARROW_OVERLAY_H
