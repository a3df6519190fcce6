// The "Scale" group (the colour scales and the automatic cutoff) and the "Statistics" group, as
// a user drives them: the scale chosen once and kept across starts, steps and reloads, Auto
// through SetFlowCutoff with Keep respected, and the figures of the flow on screen.

#include "flo_writer.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "flow_tools.h"
#include "flow_views.h"
#include "magnitude_histogram.h"
#include "modal_closer.h"
#include "scale_control.h"
#include "statistics_panel.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

// A field with every component known and its longest vector far beyond the rest, so that each
// scale draws it differently: 0.1 px steps along a row, one vector of (40, -30).
QByteArray outlierField(int width, int height, float scale)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool outlier = x == width - 1 && y == height - 1;
            uv.push_back(outlier ? 40.0f : scale * 0.1f * float(x));
            uv.push_back(outlier ? -30.0f : -scale * 0.05f * float(y));
        }
    return floBytes(width, height, uv);
}

std::vector<std::uint8_t> bytes(const PixelPlane &plane)
{
    return std::vector<std::uint8_t>(plane.data(), plane.data() + plane.byteCount());
}

// What the colour view must be under scale: the flow as read at the scale's radius.
std::vector<std::uint8_t> expectedColour(const Vek_Zandor &w, ColourScale scale)
{
    MagnitudeScratch scratch;
    const FlowStatistics s = ComputeFlowStatistics(w.flowU, w.flowV, w.rows, w.cols, scratch);
    const PixelPlane out = vek_alloc_3(w.cols, w.rows);
    RenderScaledFlowViews(w.flowCutoff, MagnitudeScaleRadius(scale, s), w.flowU, w.flowV,
                          {nullptr, nullptr, out, nullptr, nullptr}, w.rows, w.cols);
    return bytes(out);
}

QRadioButton *scaleButton(Vek_Zandor &w, const char *name)
{
    return w.flowTools()->scale()->group()->findChild<QRadioButton *>(QLatin1String(name));
}

QString statistic(Vek_Zandor &w, const char *name)
{
    const auto *label =
        w.flowTools()->statisticsPanel()->group()->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(missing)");
}

} // namespace

class TestColourScales : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cutoffIsTheDefaultAndUnchanged();
    void scaleIsRememberedAcrossStarts();
    void scaleSurvivesSteppingAndReload();
    void switchingScaleKeepsTheCutoff();
    void cutoffControlsActOnlyWhereTheCutoffShows();
    void autoCutoffWithoutUnknownVectors();
    void autoCutoffGrowsTheSliderPastUnknownVectors();
    void keepBlocksAuto();
    void statisticsOfTheFlowOnScreen();
    void statisticsFollowReloadAndHideForImages();
    void vectorUnderThePointer_data();
    void vectorUnderThePointer();
    void histogramBarsTellTheirRange();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestColourScales::init()
{
    QSettings().clear();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    QVERIFY(writeFile(path("a.flo"), outlierField(40, 30, 1.0f)));
    QVERIFY(writeFile(path("b.flo"), outlierField(40, 30, 2.0f)));
}

void TestColourScales::cleanup()
{
    QCOMPARE(closer->count(), 0);
    delete closer;
    delete dir;
}

void TestColourScales::cutoffIsTheDefaultAndUnchanged()
{
    Vek_Zandor w;
    QVERIFY(scaleButton(w, "scaleCutoff")->isChecked());
    QCOMPARE(w.flowTools()->scale()->scale(), ColourScale::Cutoff);
    openByName(w, path("a.flo"));
    QCOMPARE(w.flowCutoff, 40);
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::Cutoff));
    w.SetFlowCutoff(5);
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::Cutoff));
}

void TestColourScales::scaleIsRememberedAcrossStarts()
{
    {
        Vek_Zandor w;
        scaleButton(w, "scalePercentile")->click();
        QCOMPARE(w.flowTools()->scale()->scale(), ColourScale::Percentile99);
    }
    Vek_Zandor w;
    QVERIFY(scaleButton(w, "scalePercentile")->isChecked());
    openByName(w, path("a.flo"));
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::Percentile99));
    QVERIFY(bytes(w.colorPlane) != expectedColour(w, ColourScale::LongestVector));
    // The layer shows what the plane holds.
    const QImage shown = w.leftLayer->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(std::memcmp(shown.constScanLine(29), w.colorPlane[29][0], 3 * 40), 0);
}

void TestColourScales::scaleSurvivesSteppingAndReload()
{
    Vek_Zandor w;
    scaleButton(w, "scaleLongest")->click();
    openByName(w, path("a.flo"));
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::LongestVector));
    step(w, -1);
    QVERIFY(w.filePath.endsWith("b.flo"));
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::LongestVector));
    QVERIFY(writeFile(path("b.flo"), outlierField(40, 30, 3.0f)));
    QCOMPARE(w.document()->reload(), QString());
    QCOMPARE(w.flowU[0][39], 3.0f * 0.1f * 39.0f);
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::LongestVector));
}

// Under a magnitude scale the colour view ignores the cutoff: its controls are off, with a
// reason, unless the channel views show it; Keep holds them off whatever the scale.
void TestColourScales::cutoffControlsActOnlyWhereTheCutoffShows()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    const auto enabled = [&w] {
        const bool spin = w.ui.spinBox_FlowCutoffVal->isEnabled();
        return spin == w.ui.verticalSlider_FlowCutoffVal->isEnabled() ? int(spin) : -1;
    };
    QCOMPARE(enabled(), 1);
    scaleButton(w, "scaleLongest")->click();
    QCOMPARE(enabled(), 0);
    QVERIFY(w.ui.spinBox_FlowCutoffVal->toolTip().contains("longest vector"));
    scaleButton(w, "scalePercentile")->click();
    QCOMPARE(enabled(), 0);
    QVERIFY(w.ui.spinBox_FlowCutoffVal->toolTip().contains("99th percentile"));
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QCOMPARE(enabled(), 1);
    QVERIFY(w.ui.spinBox_FlowCutoffVal->toolTip().isEmpty());
    w.ui.checkBox_KeepMaxValue->setChecked(true);
    QCOMPARE(enabled(), 0);
    w.ui.checkBox_ShowIndividualDim->setChecked(false);
    scaleButton(w, "scaleCutoff")->click();
    QCOMPARE(enabled(), 0);
    w.ui.checkBox_KeepMaxValue->setChecked(false);
    QCOMPARE(enabled(), 1);
}

// A scale changes the colour view only: the cutoff, the widgets and Keep's hold stay.
void TestColourScales::switchingScaleKeepsTheCutoff()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    w.SetFlowCutoff(6);
    w.ui.checkBox_KeepMaxValue->setChecked(true);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    scaleButton(w, "scalePercentile")->click();
    QCOMPARE(passes.count(), 1);
    QCOMPARE(w.flowCutoff, 6);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 6);
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::Percentile99));
    scaleButton(w, "scaleCutoff")->click();
    QCOMPARE(bytes(w.colorPlane), expectedColour(w, ColourScale::Cutoff));
    QCOMPARE(QSettings().value("scale/mode").toString(), QStringLiteral("cutoff"));
}

void TestColourScales::autoCutoffWithoutUnknownVectors()
{
    std::vector<float> uv = {2.5f, -7.25f, 0.0f, 1.0f, -3.0f, 6.0f};
    QVERIFY(writeFile(path("c.flo"), floBytes(3, 1, uv)));
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    w.SetFlowCutoff(2);
    auto *button = w.flowTools()->scale()->group()->findChild<QPushButton *>("scaleAuto");
    QVERIFY(button && button->isEnabled());
    button->click();
    QCOMPARE(w.flowCutoff, 8);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 8);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 8);
}

// Unknown vectors clamp the opening range to the field's larger side; Auto ignores them and
// widens the slider to hold a known component beyond that side.
void TestColourScales::autoCutoffGrowsTheSliderPastUnknownVectors()
{
    std::vector<float> uv(2 * 6 * 5, 1.0f);
    uv[0] = 1e10f;         // unknown
    uv[7] = -23.5f;        // v of the fourth vector
    uv[9] = std::nanf(""); // unknown
    QVERIFY(writeFile(path("c.flo"), floBytes(6, 5, uv)));
    Vek_Zandor w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    openByName(w, path("c.flo"));
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 6);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    QTest::keyClick(&w, Qt::Key_A);
    QCOMPARE(passes.count(), 1);
    QCOMPARE(w.flowCutoff, 24);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 24);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 24);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 24);
}

void TestColourScales::keepBlocksAuto()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    w.SetFlowCutoff(3);
    auto *button = w.flowTools()->scale()->group()->findChild<QPushButton *>("scaleAuto");
    QAction *action = w.flowTools()->scale()->autoAction();
    w.ui.checkBox_KeepMaxValue->setChecked(true);
    QVERIFY(!button->isEnabled() && !action->isEnabled());
    w.flowTools()->scale()->autoCutoff();
    QCOMPARE(w.flowCutoff, 3);
    w.ui.checkBox_KeepMaxValue->setChecked(false);
    QVERIFY(button->isEnabled() && action->isEnabled());
    action->trigger();
    QCOMPARE(w.flowCutoff, 40);

    // Nothing to act on with an image on screen.
    const QImage image(5, 4, QImage::Format_RGB32);
    QVERIFY(image.save(path("i.png")));
    openByName(w, path("i.png"));
    QVERIFY(!button->isEnabled() && !action->isEnabled());
}

void TestColourScales::statisticsOfTheFlowOnScreen()
{
    // (3, -4) and (0, 0) known, one unknown, one (-6, 8).
    QVERIFY(writeFile(path("c.flo"), floBytes(2, 2, {3, -4, 0, 0, 1e10f, 1, -6, 8})));
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    QVERIFY(!w.flowTools()->statisticsPanel()->group()->isHidden());
    QCOMPARE(statistic(w, "statSize"), QStringLiteral("2 x 2"));
    QCOMPARE(statistic(w, "statUnknown"), QStringLiteral("25.00 %"));
    QCOMPARE(statistic(w, "statRangeU"), QStringLiteral("-6 .. 3"));
    QCOMPARE(statistic(w, "statRangeV"), QStringLiteral("-4 .. 8"));
    QCOMPARE(statistic(w, "statMean"), QStringLiteral("5 px"));
    QCOMPARE(statistic(w, "statMedian"), QStringLiteral("5 px"));
    QCOMPARE(statistic(w, "statPercentile99"), QStringLiteral("10 px"));
    QCOMPARE(statistic(w, "statLongest"), QStringLiteral("10 px"));
    QCOMPARE(statistic(w, "statPointer"), QStringLiteral("\u2013"));
}

void TestColourScales::statisticsFollowReloadAndHideForImages()
{
    Vek_Zandor w;
    openByName(w, path("a.flo"));
    QCOMPARE(statistic(w, "statLongest"), QStringLiteral("50 px"));
    QVERIFY(writeFile(path("a.flo"), floBytes(2, 1, {0, 0.5f, 1e10f, 0})));
    QCOMPARE(w.document()->reload(), QString());
    QCOMPARE(statistic(w, "statSize"), QStringLiteral("2 x 1"));
    QCOMPARE(statistic(w, "statLongest"), QStringLiteral("0.5 px"));
    QCOMPARE(statistic(w, "statUnknown"), QStringLiteral("50.00 %"));

    const QImage image(5, 4, QImage::Format_RGB32);
    QVERIFY(image.save(path("i.png")));
    openByName(w, path("i.png"));
    QVERIFY(w.flowTools()->statisticsPanel()->group()->isHidden());
    QVERIFY(!w.document()->statistics());
    openByName(w, path("b.flo"));
    QVERIFY(!w.flowTools()->statisticsPanel()->group()->isHidden());
    QCOMPARE(statistic(w, "statSize"), QStringLiteral("40 x 30"));
}

void TestColourScales::vectorUnderThePointer_data()
{
    QTest::addColumn<float>("u");
    QTest::addColumn<float>("v");
    QTest::addColumn<QString>("text");
    QTest::newRow("along +u") << 2.0f << 0.0f << "2 px at 0.0\u00b0";
    QTest::newRow("up the picture") << 0.0f << -1.5f << "1.5 px at 90.0\u00b0";
    QTest::newRow("along -u") << -1.0f << 0.0f << "1 px at 180.0\u00b0";
    QTest::newRow("down the picture") << 0.0f << 3.0f << "3 px at 270.0\u00b0";
    QTest::newRow("up and right") << 3.0f << -4.0f << "5 px at 53.1\u00b0";
    QTest::newRow("just below +u") << 1.0f << 1e-7f << "1 px at 0.0\u00b0";
    QTest::newRow("still") << 0.0f << 0.0f << "0 px";
    QTest::newRow("unknown") << 1e10f << 0.0f << "unknown";
    QTest::newRow("NaN") << std::nanf("") << 0.0f << "unknown";
}

// Counter-clockwise from +u as the picture shows it, v pointing down; through the read-out
// of the pixel under the pointer, as hovering gives it.
void TestColourScales::vectorUnderThePointer()
{
    QFETCH(float, u);
    QFETCH(float, v);
    QFETCH(QString, text);
    QCOMPARE(StatisticsPanel::vectorText(u, v), text);
    QVERIFY(writeFile(path("c.flo"), floBytes(2, 1, {0.25f, 0, u, v})));
    Vek_Zandor w;
    openByName(w, path("c.flo"));
    w.ShowPixelInfo(1, 0);
    QCOMPARE(statistic(w, "statPointer"), text);
    w.ShowPixelInfo(2, 0); // past the edge
    QCOMPARE(statistic(w, "statPointer"), QStringLiteral("\u2013"));
}

void TestColourScales::histogramBarsTellTheirRange()
{
    // Lengths 0 .. 63 and one of 64: one pixel a bin, the last closing on 64.
    std::vector<float> uv;
    for (int k = 0; k <= 64; ++k) {
        uv.push_back(float(k));
        uv.push_back(0.0f);
    }
    QVERIFY(writeFile(path("c.flo"), floBytes(65, 1, uv)));
    Vek_Zandor w;
    w.SetModeAsViewingFlow(true);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("c.flo"));
    MagnitudeHistogram *histogram = w.flowTools()->statisticsPanel()->histogram();
    QCOMPARE(histogram->binText(10), QStringLiteral("[10, 11) px: 1 vector"));
    QCOMPARE(histogram->binText(63), QStringLiteral("[63, 64] px: 2 vectors"));
    QTRY_VERIFY(histogram->isVisible() && histogram->width() > 64);
    // The panel laid out to the end (its scroll bar among it) before a bar is aimed at.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

    const int bin = 20;
    const QPoint over(int((bin + 0.5) * (histogram->width() - 2) / 64.0) + 1,
                      histogram->height() / 2);
    QCOMPARE(histogram->binAt(over), bin);
    QTest::mouseMove(histogram, over);
    QTRY_COMPARE(histogram->hoverText(), histogram->binText(bin));
    const auto *caption =
        w.flowTools()->statisticsPanel()->group()->findChild<QLabel *>("statHistogramBar");
    QCOMPARE(caption->text(), QStringLiteral("[20, 21) px: 1 vector"));
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestColourScales)
#include "test_colour_scales.moc"
