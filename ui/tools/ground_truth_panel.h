#ifndef GROUND_TRUTH_PANEL_H
#define GROUND_TRUTH_PANEL_H

#include <QGroupBox>

class QLabel;
struct EvalFigures;

// The "Ground Truth" group of the Control Panel while the viewer compares: which ground truth,
// the pair's figures as floweval computes them, and the legend of the EPE picture's colours.
class GroundTruthPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit GroundTruthPanel(QWidget *parent = nullptr);

    // The figures of the pair with the ground truth named name.
    void showFigures(const QString &name, const EvalFigures &figures);
    // Why nothing is compared now; the figures are empty.
    void showPause(const QString &reason);

    // A figure as the group shows it: six significant digits, "nan" for none.
    static QString figureText(double value);
    // The EPE range of a colour bin: "< 0.25", "0.25 – 0.5", ..., "≥ 64".
    static QString binText(int bin);

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
};

#endif // GROUND_TRUTH_PANEL_H
