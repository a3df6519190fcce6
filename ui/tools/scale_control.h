#ifndef SCALE_CONTROL_H
#define SCALE_CONTROL_H

#include "flow_scale.h"

#include <QObject>

class QAction;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class ViewerDocument;
struct ToolContext;

// The "Scale" group of the Control Panel: which radius normalises the colour view (the
// cutoff's, the longest vector's or the 99th percentile's), remembered across starts, and the
// automatic cutoff (the button and key A).
class ScaleControl : public QObject
{
    Q_OBJECT

public:
    explicit ScaleControl(const ToolContext &tools);

    QGroupBox *group() const { return group_; }
    QAction *autoAction() const { return autoAction_; }

    ColourScale scale() const;
    // Draws the flow on screen at scale from now on, and remembers it.
    void setScale(ColourScale scale);

    // Sets the cutoff, through SetFlowCutoff, to the ceiling of the largest component of the
    // known vectors, first widening the slider's range when it ends below. Nothing while Keep
    // holds the cutoff or no flow is shown.
    void autoCutoff();

    // Auto can act only on a flow, and not while Keep holds the cutoff.
    void updateState();

private:
    ViewerDocument *const document_;
    QGroupBox *group_;
    QButtonGroup *choice_;
    QPushButton *autoButton_;
    QAction *autoAction_;
};

#endif // SCALE_CONTROL_H
