#include "statistics_panel.h"

#include "tool_context.h"
#include "viewer_document.h"

#include "flow_statistics.h"
#include "flow_tools.h"
#include "flow_unknown.h"
#include "magnitude_histogram.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kNone = QStringLiteral("\u2013");
constexpr double kDegreesPerRadian = 57.295779513082320876798;

QString number(double value)
{
    return QString::number(value, 'g', 4);
}

QString magnitude(float value)
{
    return value < 0 ? kNone : StatisticsPanel::tr("%1 px").arg(number(value));
}

} // namespace

StatisticsPanel::StatisticsPanel(const ToolContext &tools)
    : QObject(tools.window), document_(tools.document)
{
    connect(document_, &ViewerDocument::pictureShown, this,
            [this] { showStatistics(document_->statistics()); });
    connect(document_, &ViewerDocument::pointerMoved, this,
            [this](QPoint pixel) { showPointer(pixel); });
    connect(document_, &ViewerDocument::pointerGone, this, [this] { showPointer(std::nullopt); });
    group_ = new QGroupBox(tr("Statistics"));
    group_->setObjectName(QStringLiteral("statisticsGroup"));
    auto *layout = new QVBoxLayout(group_);
    layout->addLayout(new QFormLayout);
    size_ = addRow(tr("Size"), "statSize");
    unknown_ = addRow(tr("Unknown"), "statUnknown");
    rangeU_ = addRow(tr("u"), "statRangeU");
    rangeV_ = addRow(tr("v"), "statRangeV");
    mean_ = addRow(tr("Mean"), "statMean");
    median_ = addRow(tr("Median"), "statMedian");
    percentile99_ = addRow(tr("99th pct."), "statPercentile99");
    longest_ = addRow(tr("Longest"), "statLongest");
    pointer_ = addRow(tr("Pointer"), "statPointer");

    histogram_ = new MagnitudeHistogram(group_);
    histogram_->setObjectName(QStringLiteral("magnitudeHistogram"));
    histogram_->setToolTip(tr("Magnitudes of the known vectors, counts on a logarithmic axis"));
    layout->addWidget(histogram_);
    hover_ = new QLabel(group_);
    hover_->setObjectName(QStringLiteral("statHistogramBar"));
    hover_->setWordWrap(true);
    layout->addWidget(hover_);
    connect(histogram_, &MagnitudeHistogram::hovered, hover_, &QLabel::setText);

    group_->setVisible(false);
}

QLabel *StatisticsPanel::addRow(const QString &name, const char *objectName)
{
    auto *form = static_cast<QFormLayout *>(group_->layout()->itemAt(0)->layout());
    auto *value = new QLabel(kNone, group_);
    value->setObjectName(QLatin1String(objectName));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(name, value);
    return value;
}

void StatisticsPanel::showStatistics(const FlowStatistics *s)
{
    group_->setVisible(s != nullptr);
    histogram_->setStatistics(s);
    pointer_->setText(kNone);
    if (!s)
        return;
    size_->setText(tr("%1 x %2").arg(s->cols).arg(s->rows));
    unknown_->setText(tr("%1 %").arg(s->unknownPercent(), 0, 'f', 2));
    const bool known = s->known > 0;
    rangeU_->setText(known ? tr("%1 .. %2").arg(number(s->minU), number(s->maxU)) : kNone);
    rangeV_->setText(known ? tr("%1 .. %2").arg(number(s->minV), number(s->maxV)) : kNone);
    mean_->setText(known ? tr("%1 px").arg(number(s->meanMagnitude)) : kNone);
    median_->setText(magnitude(s->medianMagnitude));
    percentile99_->setText(magnitude(s->percentile99Magnitude));
    longest_->setText(magnitude(s->maxMagnitude));
}

void StatisticsPanel::showPointer(std::optional<QPoint> pixel)
{
    const ViewerDocument &d = *document_;
    // The planes are read only while a flow's are there and the pixel lies on them.
    if (!pixel || !d.showsFlow() || pixel->x() < 0 || pixel->y() < 0 || pixel->x() >= d.cols() ||
        pixel->y() >= d.rows()) {
        pointer_->setText(kNone);
        return;
    }
    pointer_->setText(vectorText(d.u()[pixel->y()][pixel->x()], d.v()[pixel->y()][pixel->x()]));
}

QString StatisticsPanel::vectorText(float u, float v)
{
    if (isUnknownFlow(u, v))
        return tr("unknown");
    const double x = u;
    const double y = v;
    const double length = std::sqrt(x * x + y * y);
    if (length == 0)
        return tr("0 px");
    // v points down the picture, so up is +90 degrees; + 0.0 turns a -0 into 0.
    double degrees = std::atan2(-y, x) * kDegreesPerRadian + 0.0;
    if (degrees < 0)
        degrees += 360.0;
    QString direction = QString::number(degrees, 'f', 1);
    if (direction == QLatin1String("360.0"))
        direction = QStringLiteral("0.0");
    return tr("%1 px at %2\u00b0").arg(number(length), direction);
}
