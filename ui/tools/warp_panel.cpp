#include "warp_panel.h"

#include "flow_metrics.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QLabel *figureLabel(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// As the figures' table prints them; a dash where there is none.
QString figureText(double x, int places)
{
    if (std::isnan(x))
        return QStringLiteral("\u2013");
    if (std::isinf(x))
        return QStringLiteral("\u221e");
    return QString::number(x, 'f', places);
}

// The error picture's ten colours, each with the error it starts at.
QWidget *legend()
{
    auto *widget = new QWidget;
    widget->setObjectName(QStringLiteral("warpLegend"));
    auto *grid = new QGridLayout(widget);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    for (int bin = 0; bin < 10; ++bin) {
        auto *swatch = new QLabel;
        swatch->setFixedSize(14, 10);
        const std::uint8_t *c = kEpeColors[bin];
        swatch->setStyleSheet(
            QStringLiteral("background-color: rgb(%1, %2, %3);").arg(c[0]).arg(c[1]).arg(c[2]));
        const QString from = bin == 0 ? QStringLiteral("0") : QString::number(kPhotometricBounds[bin - 1]);
        const QString text = bin == 9 ? QStringLiteral("%1 and more").arg(from)
                                      : QStringLiteral("%1 to %2").arg(from).arg(kPhotometricBounds[bin]);
        grid->addWidget(swatch, bin % 5, 2 * (bin / 5));
        grid->addWidget(new QLabel(text), bin % 5, 2 * (bin / 5) + 1);
    }
    return widget;
}

} // namespace

WarpPanel::WarpPanel() : QGroupBox(tr("Warp"))
{
    setObjectName(QStringLiteral("warpGroup"));
    auto *layout = new QVBoxLayout(this);
    frames_ = figureLabel("warpFrames");
    frames_->setWordWrap(true);
    layout->addWidget(frames_);
    auto *form = new QFormLayout;
    valid_ = figureLabel("warpValid");
    validShare_ = figureLabel("warpValidShare");
    occluded_ = figureLabel("warpOccluded");
    meanError_ = figureLabel("warpMeanError");
    psnr_ = figureLabel("warpPsnr");
    form->addRow(tr("Valid:"), valid_);
    form->addRow(tr("Valid share (%):"), validShare_);
    form->addRow(tr("Occluded (%):"), occluded_);
    form->addRow(tr("Mean abs. error:"), meanError_);
    form->addRow(tr("PSNR (dB):"), psnr_);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Error (levels):")));
    layout->addWidget(legend());
    backwardFolder_ = figureLabel("warpBackwardFolder");
    backwardFolder_->setWordWrap(true);
    layout->addWidget(backwardFolder_);
    rule_ = new QComboBox;
    rule_->setObjectName(QStringLiteral("warpBackwardBy"));
    rule_->addItem(tr("Backward flows by frame 2's name"));
    rule_->addItem(tr("Backward flows by the flow's name"));
    layout->addWidget(rule_);
    backward_ = new QPushButton(tr("Backward Flows..."));
    backward_->setObjectName(QStringLiteral("warpBackward"));
    layout->addWidget(backward_);
    stop_ = new QPushButton(tr("Stop Checking"));
    stop_->setObjectName(QStringLiteral("warpStop"));
    layout->addWidget(stop_);
    setVisible(false);
}

void WarpPanel::showFigures(const QString &frames, const PhotometricFigures &f)
{
    frames_->setText(frames);
    valid_->setText(QString::number(f.valid));
    validShare_->setText(figureText(f.validShare, 2));
    occluded_->setText(figureText(f.occluded, 2));
    meanError_->setText(figureText(f.meanAbsError, 3));
    psnr_->setText(figureText(f.psnr, 2));
}

void WarpPanel::showPause(const QString &reason)
{
    showFigures(reason, PhotometricFigures{0, NAN, NAN, NAN, NAN});
}

void WarpPanel::showBackward(const QString &folder, BackwardBy by)
{
    backwardFolder_->setText(folder.isEmpty()
                                 ? tr("No backward flows")
                                 : tr("Backward flows: %1").arg(QDir::toNativeSeparators(folder)));
    rule_->setCurrentIndex(by == BackwardBy::Flow ? 1 : 0);
    rule_->setEnabled(!folder.isEmpty());
}
