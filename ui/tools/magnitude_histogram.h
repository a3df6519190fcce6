#ifndef MAGNITUDE_HISTOGRAM_H
#define MAGNITUDE_HISTOGRAM_H

#include "flow_statistics.h"

#include <QWidget>

#include <optional>

// The histogram of a flow's known magnitudes: one bar for each of the 64 bins from 0 to the
// longest vector, its height the count on a logarithmic axis. Hovering a bar tells its range
// and count.
class MagnitudeHistogram : public QWidget
{
    Q_OBJECT

public:
    explicit MagnitudeHistogram(QWidget *parent = nullptr);

    // Nothing is drawn without statistics or without a known vector.
    void setStatistics(const FlowStatistics *statistics);

    // The bar at pos, or -1.
    int binAt(const QPoint &pos) const;
    // "2.5 - 2.66 px: 1234 vectors", the text hovering the bar shows.
    QString binText(int bin) const;
    QString hoverText() const { return hoverText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void hovered(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRectF plotArea() const;
    void setHover(const QString &text);

    std::optional<FlowStatistics> statistics_;
    QString hoverText_;
};

#endif // MAGNITUDE_HISTOGRAM_H
