#include "scale_control.h"

#include "tool_context.h"
#include "viewer_document.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QMainWindow>
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

ScaleControl::ScaleControl(const ToolContext &tools)
    : QObject(tools.window), document_(tools.document)
{
    QMainWindow *window = tools.window;
    document_->setScale(rememberedScale());
    group_ = new QGroupBox(tr("Scale"));
    group_->setObjectName(QStringLiteral("scaleGroup"));
    auto *layout = new QVBoxLayout(group_);
    choice_ = new QButtonGroup(group_);
    for (const ScaleChoice &c : kChoices) {
        auto *button = new QRadioButton(tr(c.text), group_);
        button->setObjectName(QLatin1String(c.objectName));
        button->setChecked(c.scale == document_->scale());
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
    connect(document_, &ViewerDocument::keepChanged, this, &ScaleControl::updateState);
    connect(document_, &ViewerDocument::sceneRefreshed, this, &ScaleControl::updateState);
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
    document_->setScale(scale);
}

ColourScale ScaleControl::scale() const
{
    return document_->scale();
}

void ScaleControl::autoCutoff()
{
    const FlowStatistics *statistics = document_->statistics();
    if (!statistics || document_->keep())
        return;
    document_->setCutoffWidening(AutoFlowCutoff(*statistics));
}

void ScaleControl::updateState()
{
    const bool can = document_->isFlow() && !document_->keep();
    autoButton_->setEnabled(can);
    autoAction_->setEnabled(can);
}
