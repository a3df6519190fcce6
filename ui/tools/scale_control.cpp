#include "scale_control.h"

#include "flow_tools.h"
#include "vek_zandor.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString kScaleKey = QStringLiteral("scale/mode");

struct ScaleChoice {
    ColourScale scale;
    const char *text;
    const char *objectName;
    const char *setting;
};

const ScaleChoice kChoices[] = {
    {ColourScale::Cutoff, QT_TRANSLATE_NOOP("ScaleControl", "Cutoff"), "scaleCutoff", "cutoff"},
    {ColourScale::LongestVector, QT_TRANSLATE_NOOP("ScaleControl", "Longest vector"),
     "scaleLongest", "longest"},
    {ColourScale::Percentile99, QT_TRANSLATE_NOOP("ScaleControl", "99th percentile"),
     "scalePercentile", "percentile99"},
};

ColourScale rememberedScale()
{
    const QString setting = QSettings().value(kScaleKey).toString();
    for (const ScaleChoice &c : kChoices)
        if (setting == QLatin1String(c.setting))
            return c.scale;
    return ColourScale::Cutoff;
}

} // namespace

ScaleControl::ScaleControl(Vek_Zandor *window, FlowTools *tools)
    : QObject(tools), window_(window), tools_(tools), scale_(rememberedScale())
{
    group_ = new QGroupBox(tr("Scale"));
    group_->setObjectName(QStringLiteral("scaleGroup"));
    auto *layout = new QVBoxLayout(group_);
    choice_ = new QButtonGroup(group_);
    for (const ScaleChoice &c : kChoices) {
        auto *button = new QRadioButton(tr(c.text), group_);
        button->setObjectName(QLatin1String(c.objectName));
        button->setChecked(c.scale == scale_);
        choice_->addButton(button, int(c.scale));
        layout->addWidget(button);
    }
    connect(choice_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            setScale(ColourScale(id));
    });

    autoButton_ = new QPushButton(tr("Auto"), group_);
    autoButton_->setObjectName(QStringLiteral("scaleAuto"));
    autoButton_->setToolTip(tr("Set the cutoff to the largest component of the known vectors (A)"));
    layout->addWidget(autoButton_);
    connect(autoButton_, &QPushButton::clicked, this, &ScaleControl::autoCutoff);

    autoAction_ = new QAction(tr("Auto Cutoff"), window);
    autoAction_->setObjectName(QStringLiteral("actionAutoCutoff"));
    autoAction_->setShortcut(QKeySequence(tr("A")));
    window->addAction(autoAction_);
    connect(autoAction_, &QAction::triggered, this, &ScaleControl::autoCutoff);
    connect(window->ui.checkBox_KeepMaxValue, &QCheckBox::toggled, this,
            &ScaleControl::updateState);
    updateState();
}

void ScaleControl::setScale(ColourScale scale)
{
    if (QAbstractButton *button = choice_->button(int(scale)); button && !button->isChecked()) {
        const QSignalBlocker quiet(choice_);
        button->setChecked(true);
    }
    for (const ScaleChoice &c : kChoices)
        if (c.scale == scale)
            QSettings().setValue(kScaleKey, QLatin1String(c.setting));
    if (scale == scale_)
        return;
    scale_ = scale;
    // Drawn again at the cutoff in force, which Keep cannot change.
    if (window_->isFlow)
        window_->SetFlowCutoff(window_->flowCutoff);
}

void ScaleControl::autoCutoff()
{
    Vek_Zandor &w = *window_;
    const FlowStatistics *statistics = tools_->statistics();
    if (!statistics || w.keepCutoff)
        return;
    const int value = AutoFlowCutoff(*statistics);
    QSlider *slider = w.ui.verticalSlider_FlowCutoffVal;
    if (value > slider->maximum()) {
        const QSignalBlocker quiet(slider);
        slider->setRange(slider->minimum(), value);
    }
    w.SetFlowCutoff(value);
}

void ScaleControl::updateState()
{
    const bool can = window_->isFlow && !window_->keepCutoff;
    autoButton_->setEnabled(can);
    autoAction_->setEnabled(can);
}
