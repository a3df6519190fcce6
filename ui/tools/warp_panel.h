#ifndef WARP_PANEL_H
#define WARP_PANEL_H

#include "frame_check.h"
#include "frame_triples.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QPushButton;

// The "Warp" group of the Control Panel while a flow is checked against its frames: which
// frames, the figures flowwarp reports, the error picture's legend, and where backward flows
// come from.
class WarpPanel : public QGroupBox
{
    Q_OBJECT

public:
    WarpPanel();

    void showFigures(const QString &frames, const PhotometricFigures &figures);
    void showPause(const QString &reason);
    void showBackward(const QString &folder, BackwardBy by);

    QPushButton *backwardButton() const { return backward_; }
    QPushButton *stopButton() const { return stop_; }
    QComboBox *backwardRule() const { return rule_; }

private:
    QLabel *frames_;
    QLabel *valid_;
    QLabel *validShare_;
    QLabel *occluded_;
    QLabel *meanError_;
    QLabel *psnr_;
    QLabel *backwardFolder_;
    QComboBox *rule_;
    QPushButton *backward_;
    QPushButton *stop_;
};

#endif // WARP_PANEL_H
