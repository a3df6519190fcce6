#include "ground_truth_panel.h"

#include "flow_metrics.h"

#include <QCheckBox>
#include <QColor>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kNone = QStringLiteral("\u2013");
constexpr int kSwatchWidth = 24;
constexpr int kSwatchHeight = 12;

} // namespace

GroundTruthPanel::GroundTruthPanel(QWidget *parent) : QGroupBox(tr("Ground Truth"), parent)
{
    setObjectName(QStringLiteral("groundTruthGroup"));
    auto *layout = new QVBoxLayout(this);
    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("gtName"));
    name_->setWordWrap(true);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(name_);

    layout->addLayout(new QFormLayout);
    aee_ = addFigure(tr("AEE (px)"), "gtAee");
    aae_ = addFigure(tr("AAE (\u00b0)"), "gtAae");
    flAll_ = addFigure(tr("Fl-all (%)"), "gtFlAll");
    px1_ = addFigure(tr("px1 (%)"), "gtPx1");
    px3_ = addFigure(tr("px3 (%)"), "gtPx3");
    px5_ = addFigure(tr("px5 (%)"), "gtPx5");
    coverage_ = addFigure(tr("Coverage (%)"), "gtCoverage");
    evaluated_ = addFigure(tr("Evaluated"), "gtEvaluated");
    speed_[0] = addFigure(tr("s0-10 (px)"), "gtS0_10");
    speed_[1] = addFigure(tr("s10-40 (px)"), "gtS10_40");
    speed_[2] = addFigure(tr("s40+ (px)"), "gtS40");
    matched_ = addFigure(tr("Matched (px)"), "gtMatched");
    unmatched_ = addFigure(tr("Unmatched (px)"), "gtUnmatched");

    mask_ = new QLabel(this);
    mask_->setObjectName(QStringLiteral("gtOcclusionMask"));
    mask_->setWordWrap(true);
    layout->addWidget(mask_);
    auto *masks = new QHBoxLayout;
    auto *choose = new QPushButton(tr("Occlusion Masks..."), this);
    choose->setObjectName(QStringLiteral("occlusionMasksButton"));
    choose->setToolTip(tr("Choose the folder of the ground truths' occlusion masks"));
    connect(choose, &QPushButton::clicked, this, &GroundTruthPanel::occlusionMasksRequested);
    outline_ = new QCheckBox(tr("Occlusions"), this);
    outline_->setObjectName(QStringLiteral("outlineOcclusions"));
    outline_->setToolTip(tr("Outline the occluded pixels on the EPE pane"));
    connect(outline_, &QCheckBox::toggled, this, &GroundTruthPanel::outlineToggled);
    masks->addWidget(choose);
    masks->addWidget(outline_);
    masks->addStretch(1);
    layout->addLayout(masks);

    auto *legendTitle = new QLabel(tr("EPE (px)"), this);
    layout->addWidget(legendTitle);
    auto *legend = new QGridLayout;
    legend->setVerticalSpacing(1);
    for (int bin = 0; bin < 10; ++bin) {
        QPixmap swatch(kSwatchWidth, kSwatchHeight);
        swatch.fill(QColor(kEpeColors[bin][0], kEpeColors[bin][1], kEpeColors[bin][2]));
        auto *colour = new QLabel(this);
        colour->setObjectName(QStringLiteral("epeSwatch%1").arg(bin));
        colour->setPixmap(swatch);
        auto *range = new QLabel(binText(bin), this);
        range->setObjectName(QStringLiteral("epeRange%1").arg(bin));
        // Two columns of five, small errors on the left.
        const int row = bin % 5;
        const int column = 2 * (bin / 5);
        legend->addWidget(colour, row, column);
        legend->addWidget(range, row, column + 1);
    }
    legend->setColumnStretch(1, 1);
    legend->setColumnStretch(3, 1);
    layout->addLayout(legend);
    setVisible(false);
}

QLabel *GroundTruthPanel::addFigure(const QString &name, const char *objectName)
{
    auto *form = static_cast<QFormLayout *>(layout()->itemAt(1)->layout());
    auto *value = new QLabel(kNone, this);
    value->setObjectName(QLatin1String(objectName));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(name, value);
    return value;
}

void GroundTruthPanel::showFigures(const QString &name, const EvalFigures &f, const QString &mask,
                                   bool masked)
{
    name_->setText(name);
    for (int b = 0; b < 3; ++b)
        speed_[b]->setText(figureText(f.aeeSpeed[b]));
    mask_->setText(mask);
    // Without a mask there is no such figure, rather than a figure of nothing.
    matched_->setText(masked ? figureText(f.aeeMatched) : kNone);
    unmatched_->setText(masked ? figureText(f.aeeUnmatched) : kNone);
    aee_->setText(figureText(f.aee));
    aae_->setText(figureText(f.aae));
    flAll_->setText(figureText(f.flAll));
    px1_->setText(figureText(f.px1));
    px3_->setText(figureText(f.px3));
    px5_->setText(figureText(f.px5));
    coverage_->setText(figureText(f.coverage));
    evaluated_->setText(QString::number(f.evaluated));
}

void GroundTruthPanel::showPause(const QString &reason)
{
    name_->setText(reason);
    mask_->clear();
    for (QLabel *figure : {aee_, aae_, flAll_, px1_, px3_, px5_, coverage_, evaluated_, speed_[0],
                           speed_[1], speed_[2], matched_, unmatched_})
        figure->setText(kNone);
}

bool GroundTruthPanel::outlinesOcclusions() const
{
    return outline_->isChecked();
}

void GroundTruthPanel::setOutlinesOcclusions(bool on)
{
    outline_->setChecked(on);
}

QString GroundTruthPanel::figureText(double value)
{
    return QString::number(value, 'g', 6);
}

QString GroundTruthPanel::binText(int bin)
{
    if (bin <= 0)
        return tr("< %1").arg(kEpeBounds[0]);
    if (bin >= 9)
        return tr("\u2265 %1").arg(kEpeBounds[8]);
    return tr("%1 \u2013 %2").arg(kEpeBounds[bin - 1]).arg(kEpeBounds[bin]);
}
