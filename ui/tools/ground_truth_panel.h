#ifndef GROUND_TRUTH_PANEL_H
#define GROUND_TRUTH_PANEL_H

#include <QGroupBox>

class QCheckBox;
class QLabel;
struct EvalFigures;

// The "Ground Truth" group of the Control Panel while the viewer compares: which ground truth,
// the pair's figures as floweval computes them (by speed always, over matched and unmatched
// pixels with an occlusion mask), which mask, the choice of masks and of their outline on the
// EPE pane, and the legend of the EPE picture's colours.
class GroundTruthPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit GroundTruthPanel(QWidget *parent = nullptr);

    // The figures of the pair with the ground truth named name; mask says which occlusion
    // mask, or why there is none, and masked whether the figures had one.
    void showFigures(const QString &name, const EvalFigures &figures, const QString &mask,
                     bool masked);
    // Why nothing is compared now; the figures are empty.
    void showPause(const QString &reason);

    // A figure as the group shows it: six significant digits, "nan" for none.
    static QString figureText(double value);
    // The EPE range of a colour bin: "< 0.25", "0.25 – 0.5", ..., "≥ 64".
    static QString binText(int bin);

    // Whether the "Occlusions" box asks for the outline.
    bool outlinesOcclusions() const;
    void setOutlinesOcclusions(bool on);

signals:
    // "Occlusion Masks..." was pressed.
    void occlusionMasksRequested();
    void outlineToggled(bool on);

private:
    QLabel *addFigure(const QString &name, const char *objectName);

    QLabel *name_;
    QLabel *aee_;
    QLabel *aae_;
    QLabel *flAll_;
    QLabel *px1_;
    QLabel *px3_;
    QLabel *px5_;
    QLabel *coverage_;
    QLabel *evaluated_;
    QLabel *speed_[3];
    QLabel *matched_;
    QLabel *unmatched_;
    QLabel *mask_;
    QCheckBox *outline_;
};

#endif // GROUND_TRUTH_PANEL_H
