#ifndef STATISTICS_PANEL_H
#define STATISTICS_PANEL_H

#include <QObject>
#include <QPoint>

#include <optional>

class MagnitudeHistogram;
class QGroupBox;
class QLabel;
class ViewerDocument;
struct ToolContext;
struct FlowStatistics;

// The "Statistics" group of the Control Panel, shown for flows: the size, the share of unknown
// vectors, each component's range, the mean, median, 99th percentile and longest magnitude,
// the vector under the pointer, and the histogram of the magnitudes.
class StatisticsPanel : public QObject
{
    Q_OBJECT

public:
    explicit StatisticsPanel(const ToolContext &tools);

    QGroupBox *group() const { return group_; }
    MagnitudeHistogram *histogram() const { return histogram_; }

    // Those of the flow on screen; null hides the group.
    void showStatistics(const FlowStatistics *statistics);
    // The vector at pixel, or none.
    void showPointer(std::optional<QPoint> pixel);

    // The magnitude and direction of (u, v) as the panel shows them: "5 px at 306.9°", the
    // direction counter-clockwise from +u with v pointing down the picture; "unknown" for an
    // unknown vector.
    static QString vectorText(float u, float v);

private:
    QLabel *addRow(const QString &name, const char *objectName);

    ViewerDocument *const document_;
    QGroupBox *group_;
    QLabel *size_;
    QLabel *unknown_;
    QLabel *rangeU_;
    QLabel *rangeV_;
    QLabel *mean_;
    QLabel *median_;
    QLabel *percentile99_;
    QLabel *longest_;
    QLabel *pointer_;
    MagnitudeHistogram *histogram_;
    QLabel *hover_;
};

#endif // STATISTICS_PANEL_H
