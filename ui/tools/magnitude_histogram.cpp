#include "magnitude_histogram.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

MagnitudeHistogram::MagnitudeHistogram(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MagnitudeHistogram::setStatistics(const FlowStatistics *statistics)
{
    if (statistics && statistics->known > 0)
        statistics_ = *statistics;
    else
        statistics_.reset();
    setHover(QString());
    update();
}

QSize MagnitudeHistogram::sizeHint() const
{
    return QSize(kMagnitudeBins * 3, 72);
}

QSize MagnitudeHistogram::minimumSizeHint() const
{
    return QSize(kMagnitudeBins, 48);
}

QRectF MagnitudeHistogram::plotArea() const
{
    return QRectF(rect()).adjusted(1, 1, -1, -1);
}

int MagnitudeHistogram::binAt(const QPoint &pos) const
{
    const QRectF area = plotArea();
    if (!statistics_ || !area.contains(pos) || area.width() <= 0)
        return -1;
    const int bin = int((pos.x() - area.left()) * kMagnitudeBins / area.width());
    return std::clamp(bin, 0, kMagnitudeBins - 1);
}

QString MagnitudeHistogram::binText(int bin) const
{
    if (!statistics_ || bin < 0 || bin >= kMagnitudeBins)
        return QString();
    const FlowStatistics &s = *statistics_;
    const std::uint64_t count = s.histogram[std::size_t(bin)];
    // The last bin holds the longest vector itself.
    const QString close = bin == kMagnitudeBins - 1 ? QStringLiteral("]") : QStringLiteral(")");
    return tr("[%1, %2%3 px: %4 %5")
        .arg(s.binLow(bin), 0, 'g', 4)
        .arg(s.binHigh(bin), 0, 'g', 4)
        .arg(close)
        .arg(count)
        .arg(count == 1 ? tr("vector") : tr("vectors"));
}

void MagnitudeHistogram::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRectF area = plotArea();
    p.fillRect(area, palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(area);
    if (!statistics_)
        return;
    const auto &bins = statistics_->histogram;
    const std::uint64_t most = *std::max_element(bins.begin(), bins.end());
    if (most == 0)
        return;
    // Heights by log(1 + count): a single vector still shows, and the largest bin fills it.
    const double scale = area.height() / std::log1p(double(most));
    const double width = area.width() / kMagnitudeBins;
    p.setPen(Qt::NoPen);
    p.setBrush(palette().highlight());
    for (int b = 0; b < kMagnitudeBins; ++b) {
        const std::uint64_t count = bins[std::size_t(b)];
        if (count == 0)
            continue;
        const double height = std::max(1.0, std::log1p(double(count)) * scale);
        p.drawRect(QRectF(area.left() + b * width, area.bottom() - height, width, height));
    }
}

void MagnitudeHistogram::mouseMoveEvent(QMouseEvent *event)
{
    const QString text = binText(binAt(event->position().toPoint()));
    setHover(text);
    if (!text.isEmpty())
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    else
        QToolTip::hideText();
    QWidget::mouseMoveEvent(event);
}

void MagnitudeHistogram::leaveEvent(QEvent *event)
{
    setHover(QString());
    QWidget::leaveEvent(event);
}

void MagnitudeHistogram::setHover(const QString &text)
{
    if (text == hoverText_)
        return;
    hoverText_ = text;
    emit hovered(text);
}
