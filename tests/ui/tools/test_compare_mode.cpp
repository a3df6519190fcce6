#include "compare_fixture.h"
#include "compare_panes.h"
#include "dialog_driver.h"
#include "flo_writer.h"
#include "flow_tools.h"
#include "flow_view.h"
#include "ground_truth_panel.h"
#include "modal_closer.h"
#include "scale_control.h"
#include "tool_host.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(PaneArrangement)

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();

// The angular error as the benchmarks define it, in degrees.
double angleDegrees(double ue, double ve, double ug, double vg)
{
    const double q = (1 + ue * ug + ve * vg) /
                     (std::sqrt(1 + ue * ue + ve * ve) * std::sqrt(1 + ug * ug + vg * vg));
    return std::acos(std::max(-1.0, std::min(1.0, q))) * 180.0 / 3.14159265358979323846;
}

QString figure(const Vek_Zandor &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

} // namespace

class TestCompareMode : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void threePanesWithTheirCaptions();
    void arrangementGivesTheLargerZoomAtFit_data();
    void arrangementGivesTheLargerZoomAtFit();
    void panesFollowTheWindowsShape();
    void captionsKeepTheirScreenSize();
    void panesFollowTheCutoffAndTheScale();
    void epePaneEqualsTheEpePicture();
    void figuresOfAHandComputedPair();
    void legendNamesTheTenColours();
    void readoutShowsBothVectorsAndTheirError();
    void sizeMismatchShowsABoxAndTheModeStaysOff();
    void unreadableGroundTruthIsReported();
    void onlyAFlowIsCompared();
    void leavingBringsShowChannelsBack();
    void actionChoosesTheGroundTruthAndLeaves();
    void enteringBringsThePanesIntoView();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    // Opens est.flo and compares it with gt.flo, both written from uv lists of w x h.
    void openPair(Vek_Zandor &w, int width, int height, const std::vector<float> &est,
                  const std::vector<float> &gt);

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestCompareMode::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
}

void TestCompareMode::cleanup()
{
    cancelFileDialogAnswer();
    delete closer;
    delete dir;
}

void TestCompareMode::openPair(Vek_Zandor &w, int width, int height, const std::vector<float> &est,
                               const std::vector<float> &gt)
{
    QVERIFY(writeFile(path("est.flo"), floBytes(width, height, est)));
    QVERIFY(writeFile(path("gt.flo"), floBytes(width, height, gt)));
    openByName(w, path("est.flo"));
    QVERIFY(compareOf(w).compareWith(path("gt.flo")));
    QCOMPARE(closer->count(), 0);
    QVERIFY(compareOf(w).isComparing());
}

void TestCompareMode::threePanesWithTheirCaptions()
{
    Vek_Zandor w;
    QVERIFY(writeFile(path("est.flo"), numberedField(7, 4, 1)));
    QVERIFY(writeFile(path("gt.flo"), numberedField(7, 4, 3)));
    openByName(w, path("est.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt.flo")));
    const ComparePanes &panes = compare.panes();

    // One pane after another, in a row parted by a gap or in a column parted by the captions.
    const qreal W = 7, H = 4;
    const bool row = panes.arrangement() == PaneArrangement::Row;
    const QPointF step = row ? QPointF(W + 5, 0) : QPointF(0, H + 30);
    const QList<QGraphicsPixmapItem *> layers{w.leftLayer, panes.groundTruthLayer(),
                                              panes.epeLayer()};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(layers[i]->isVisible());
        QCOMPARE(layers[i]->pos(), i * step);
        QCOMPARE(layers[i]->pixmap().size(), QSize(7, 4));
        QCOMPARE(panes.captions().captions().value(i).picture, QRectF(i * step, QSizeF(W, H)));
    }
    QCOMPARE(captionTexts(compare),
             QStringList({"Estimate (7 X 4)", "Ground Truth (7 X 4)", "EPE (7 X 4)"}));
    QCOMPARE(w.scene->sceneRect(),
             row ? QRectF(0, 0, 3 * W + 10, H + 30) : QRectF(0, 0, W, 3 * (H + 30)));
    // The captions are drawn over the view in the window's own font; the window's stay hidden.
    QCOMPARE(panes.captions().font(), w.leftLabel->font());
    QVERIFY(!w.leftLabel->isVisible());
    QVERIFY(!w.rightLabel->isVisible());
    QVERIFY(!w.rightLayer->isVisible());
    QCOMPARE(paneBytes(w.leftLayer), planeBytes(w.colorPlane));
}

// A wide picture stacks in a column and a tall one stands in a row, but only because that
// shows them larger: in a viewport wide enough, a wide picture goes in a row too.
void TestCompareMode::arrangementGivesTheLargerZoomAtFit_data()
{
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<QSizeF>("viewport");
    QTest::addColumn<PaneArrangement>("expected");
    QTest::newRow("wide") << QSizeF(1024, 436) << QSizeF(1000, 700) << PaneArrangement::Column;
    QTest::newRow("tall") << QSizeF(436, 1024) << QSizeF(1000, 700) << PaneArrangement::Row;
    QTest::newRow("wide in a wider view")
        << QSizeF(1024, 436) << QSizeF(3200, 500) << PaneArrangement::Row;
    // A column is 3 x 130 tall, a row 3 x 100 + 10 wide: in 620 x 780 both fit at 2.0.
    QTest::newRow("alike") << QSizeF(100, 100) << QSizeF(620, 780) << PaneArrangement::Row;
}

void TestCompareMode::arrangementGivesTheLargerZoomAtFit()
{
    QFETCH(QSizeF, picture);
    QFETCH(QSizeF, viewport);
    QFETCH(PaneArrangement, expected);
    QCOMPARE(bestArrangement(picture, 3, viewport), expected);
}

// The window chooses when the mode starts, and again when it is resized while the panes are
// fitted.
void TestCompareMode::panesFollowTheWindowsShape()
{
    Vek_Zandor w;
    w.showNormal();
    w.resize(900, 760);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const ComparePanes &panes = compareOf(w).panes();
    QVERIFY(writeFile(path("tall.flo"), floBytesFilled(100, 400, 1, 0)));
    QVERIFY(writeFile(path("tall_gt.flo"), floBytesFilled(100, 400, 0, 0)));
    openByName(w, path("tall.flo"));
    QVERIFY(compareOf(w).compareWith(path("tall_gt.flo")));
    QCOMPARE(panes.epeLayer()->pos(), QPointF(210, 0));

    compareOf(w).leave();
    openPair(w, 400, 100, std::vector<float>(80000, 1.f), std::vector<float>(80000, 0.f));
    QCOMPARE(panes.epeLayer()->pos(), QPointF(0, 260));
    // Wide and low, the window shows the wide flow larger in a row.
    w.resize(1800, 480);
    QTRY_COMPARE(panes.arrangement(), PaneArrangement::Row);
    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, 1210, 130));
}

// The captions are as tall on screen at Fit as far in, sit under their own pictures, and are
// painted.
void TestCompareMode::captionsKeepTheirScreenSize()
{
    Vek_Zandor w;
    w.showNormal();
    w.resize(900, 700);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openPair(w, 400, 240, std::vector<float>(192000, 1.f), std::vector<float>(192000, 0.f));
    FlowView *view = w.ui.graphicsView;
    QTRY_VERIFY(view->zoom() < 1.0);
    const PaneCaptions &captions = compareOf(w).panes().captions();
    const qreal height = QFontMetricsF(w.leftLabel->font(), view->viewport()).height() + 6;
    for (int zoomIns : {0, 3}) {
        for (int i = 0; i < zoomIns; ++i)
            w.ZoomIn();
        const QRectF truth = captions.captions()[1].picture;
        view->centerOn(truth.center().x(), truth.bottom());
        const QList<PaneCaptions::Placement> placed = captions.placements();
        for (int i = 0; i < 3; ++i) {
            const QRectF picture = captions.captions()[i].picture.adjusted(0, 0, 0, 30);
            QVERIFY(view->viewportTransform().mapRect(picture).contains(placed[i].box));
            QCOMPARE(placed[i].box.height(), height);
        }
        // Dark text in the ground truth's box, over its white picture.
        const QImage shot = view->viewport()->grab().toImage().copy(placed[1].box.toRect());
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                dark += qGray(shot.pixel(x, y)) < 80;
        QVERIFY(dark > 10);
    }
}

// The ground truth is drawn as the estimate is, so that a colour means one vector in both.
void TestCompareMode::panesFollowTheCutoffAndTheScale()
{
    Vek_Zandor w;
    QVERIFY(writeFile(path("est.flo"), numberedField(9, 5, 2)));
    QVERIFY(writeFile(path("gt.flo"), numberedField(9, 5, -3)));
    openByName(w, path("est.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt.flo")));

    const FlowField gt = readBack(path("gt.flo"));
    const auto expected = [&](int cutoff, std::optional<float> radius) {
        const PixelPlane color = vek_alloc_3(9, 5), dimX = vek_alloc_3(9, 5),
                         dimY = vek_alloc_3(9, 5);
        const FloatPlane cu = vek_alloc_2(5, 9), cv = vek_alloc_2(5, 9);
        RenderScaledFlowViews(cutoff, radius, gt.u, gt.v, {cu, cv, color, dimX, dimY}, 5, 9);
        return planeBytes(color);
    };
    QGraphicsPixmapItem *gtLayer = compare.panes().groundTruthLayer();
    QCOMPARE(paneBytes(gtLayer), expected(w.flowCutoff, std::nullopt));
    const QByteArray epe = paneBytes(compare.panes().epeLayer());

    w.SetFlowCutoff(3);
    QVERIFY(compare.isComparing());
    QCOMPARE(paneBytes(gtLayer), expected(3, std::nullopt));
    QCOMPARE(paneBytes(w.leftLayer), planeBytes(w.colorPlane));
    QCOMPARE(paneBytes(compare.panes().epeLayer()), epe); // no cutoff in the error

    w.flowTools()->scale()->setScale(ColourScale::LongestVector);
    const std::optional<float> radius = w.document()->colourRadius();
    QVERIFY(radius);
    QCOMPARE(paneBytes(gtLayer), expected(w.flowCutoff, radius));
    w.flowTools()->scale()->setScale(ColourScale::Cutoff);
    QCOMPARE(paneBytes(gtLayer), expected(w.flowCutoff, std::nullopt));
}

// Errors on and around every bound, with unknown vectors on either side.
void TestCompareMode::epePaneEqualsTheEpePicture()
{
    const int width = 24, height = 9;
    const float deltas[] = {0, 0.1f,  0.2499f, 0.25f, 0.5f, 0.75f, 1,  2,  3,
                            4, 7.99f, 8,       16,    32,   63.9f, 64, 65, 1000};
    std::vector<float> est, gt;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int i = y * width + x;
            const float gu = 0.5f * float(x) - 3, gv = 1.5f - float(y);
            float eu = gu + deltas[i % 18], ev = gv;
            if (i % 7 == 3)
                std::swap(eu, ev);
            gt.insert(gt.end(), {i % 11 == 5 ? kNan : gu, gv});
            est.insert(est.end(), {eu, i % 13 == 6 ? 2e9f : ev});
        }
    }
    Vek_Zandor w;
    openPair(w, width, height, est, gt);
    const FlowField e = readBack(path("est.flo"));
    const FlowField g = readBack(path("gt.flo"));
    const PixelPlane reference = epePicture(e.u, e.v, g.u, g.v);
    QCOMPARE(paneBytes(compareOf(w).panes().epeLayer()), planeBytes(reference));
    // Unknown on either side is black.
    const QImage pane = compareOf(w).panes().epeLayer()->pixmap().toImage();
    QCOMPARE(pane.pixel(5, 0), qRgb(0, 0, 0));
    QCOMPARE(pane.pixel(6, 0), qRgb(0, 0, 0));
}

// One EPE of 5 against a zero ground truth (an outlier), one of 4 that is 4 % of a 100 px
// motion (not an outlier), an unknown ground truth, and an unknown estimate.
void TestCompareMode::figuresOfAHandComputedPair()
{
    Vek_Zandor w;
    openPair(w, 2, 2, {3, 4, 104, 0, 7, 7, 1e10f, 0}, {0, 0, 100, 0, kNan, kNan, 1, 1});
    const double aae = (angleDegrees(3, 4, 0, 0) + angleDegrees(104, 0, 100, 0)) / 2;
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("4.5"));
    QCOMPARE(figure(w, "gtAae"), QString::number(aae, 'g', 6));
    QCOMPARE(figure(w, "gtFlAll"), QStringLiteral("50"));
    QCOMPARE(figure(w, "gtPx1"), QStringLiteral("0"));
    QCOMPARE(figure(w, "gtPx3"), QStringLiteral("0"));
    QCOMPARE(figure(w, "gtPx5"), QStringLiteral("50"));
    QCOMPARE(figure(w, "gtCoverage"), QStringLiteral("66.6667"));
    QCOMPARE(figure(w, "gtEvaluated"), QStringLiteral("2"));
    QCOMPARE(figure(w, "gtName"), QStringLiteral("gt.flo"));
    QVERIFY(compareOf(w).panel()->isVisibleTo(&w));

    // Nothing evaluated: every figure but coverage and the count is nan.
    Vek_Zandor none;
    QVERIFY(writeFile(path("void.flo"), floBytes(2, 1, {kNan, 0, 1e10f, 1e10f})));
    openByName(none, path("est.flo"));
    QVERIFY(writeFile(path("half.flo"), floBytes(2, 2, {kNan, 0, kNan, 0, kNan, 0, 1, 1})));
    QVERIFY(compareOf(none).compareWith(path("half.flo")));
    for (const char *name : {"gtAee", "gtAae", "gtFlAll", "gtPx1", "gtPx3", "gtPx5"})
        QCOMPARE(figure(none, name), QStringLiteral("nan"));
    QCOMPARE(figure(none, "gtCoverage"), QStringLiteral("0"));
    QCOMPARE(figure(none, "gtEvaluated"), QStringLiteral("0"));
}

void TestCompareMode::legendNamesTheTenColours()
{
    Vek_Zandor w;
    const QStringList ranges{"< 0.25",       "0.25 \u2013 0.5", "0.5 \u2013 1", "1 \u2013 2",
                             "2 \u2013 4",   "4 \u2013 8",      "8 \u2013 16",  "16 \u2013 32",
                             "32 \u2013 64", "\u2265 64"};
    for (int bin = 0; bin < 10; ++bin) {
        const auto *swatch = w.findChild<QLabel *>(QStringLiteral("epeSwatch%1").arg(bin));
        const QImage colour = swatch->pixmap().toImage();
        QCOMPARE(colour.pixel(colour.width() / 2, colour.height() / 2),
                 qRgb(kEpeColors[bin][0], kEpeColors[bin][1], kEpeColors[bin][2]));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("epeRange%1").arg(bin))->text(), ranges[bin]);
    }
}

void TestCompareMode::readoutShowsBothVectorsAndTheirError()
{
    std::vector<float> est(5 * 3 * 2, 0.5f), gt(5 * 3 * 2, 0.5f);
    const auto at = [](int x, int y) { return std::size_t(2 * (y * 5 + x)); };
    est[at(2, 1)] = 1.5f;
    est[at(2, 1) + 1] = -0.25f;
    gt[at(2, 1)] = 1.25f;
    gt[at(2, 1) + 1] = -0.25f;
    gt[at(4, 2)] = 1.0f / 3.0f;
    gt[at(4, 2) + 1] = 0.5f;
    gt[at(0, 0)] = kNan;
    est[at(1, 0)] = 1e10f;
    Vek_Zandor w;
    openPair(w, 5, 3, est, gt);
    const ComparePanes &panes = compareOf(w).panes();

    const QString expected = QStringLiteral("(x:2, y:1)=[1.5, -0.25] gt=[1.25, -0.25] epe=0.25");
    // Every pane reads the same pixel.
    for (QGraphicsPixmapItem *layer : {w.leftLayer, panes.groundTruthLayer(), panes.epeLayer()})
        QCOMPARE(hoverText(w, layer, {2.9, 1.2}), expected);
    QCOMPARE(hoverText(w, panes.epeLayer(), {4, 2}),
             QStringLiteral("(x:4, y:2)=[0.5, 0.5] gt=[0.333333, 0.5] epe=0.166667"));
    // A pixel that is not evaluated has no error.
    QCOMPARE(hoverText(w, panes.groundTruthLayer(), {0, 0}),
             QStringLiteral("(x:0, y:0)=[0.5, 0.5] gt=[nan, 0.5] epe=nan"));
    QCOMPARE(hoverText(w, w.leftLayer, {1, 0}),
             QStringLiteral("(x:1, y:0)=[1e+10, 0.5] gt=[0.5, 0.5] epe=nan"));
    // Past the last pixel nothing is read.
    QVERIFY(hoverText(w, panes.epeLayer(), {5.0, 1}).isEmpty());

    compareOf(w).leave();
    QCOMPARE(hoverText(w, w.leftLayer, {2, 1}), QStringLiteral("(x:2, y:1)=[1.5, -0.25]"));
}

void TestCompareMode::sizeMismatchShowsABoxAndTheModeStaysOff()
{
    Vek_Zandor w;
    QVERIFY(writeFile(path("est.flo"), floBytesFilled(4, 3, 1, 0)));
    QVERIFY(writeFile(path("wide.flo"), floBytesFilled(5, 3, 1, 0)));
    QVERIFY(writeFile(path("gt.flo"), floBytesFilled(4, 3, 0, 0)));
    openByName(w, path("est.flo"));
    CompareMode &compare = compareOf(w);
    QVERIFY(!compare.compareWith(path("wide.flo")));
    QCOMPARE(closer->texts, QStringList{"Ground truth 5 x 3 does not match the flow's 4 x 3"});
    QVERIFY(!compare.isOn());
    QVERIFY(!compare.action()->isChecked());
    QVERIFY(!compare.panes().epeLayer()); // never shown, never made
    QCOMPARE(w.leftLabel->text(), QStringLiteral("Color Show (4 X 3)"));

    // While comparing, a mismatch ends the mode as well.
    QVERIFY(compare.compareWith(path("gt.flo")));
    QVERIFY(!compare.compareWith(path("wide.flo")));
    QCOMPARE(closer->count(), 2);
    QVERIFY(!compare.isOn());
    QVERIFY(!compare.panel()->isVisibleTo(&w));
    QVERIFY(!compare.panes().groundTruthLayer()->isVisible());
    QCOMPARE(w.leftLabel->text(), QStringLiteral("Color Show (4 X 3)"));
}

void TestCompareMode::unreadableGroundTruthIsReported()
{
    Vek_Zandor w;
    QVERIFY(writeFile(path("est.flo"), floBytesFilled(4, 3, 1, 0)));
    QVERIFY(writeFile(path("short.flo"), floBytesFilled(4, 3, 1, 0).left(30)));
    openByName(w, path("est.flo"));
    QVERIFY(!compareOf(w).compareWith(path("short.flo")));
    QVERIFY(!compareOf(w).compareWith(path("none.flo")));
    QCOMPARE(closer->count(), 2);
    for (const QString &text : std::as_const(closer->texts))
        QVERIFY2(text.startsWith("Cann't open file " + dir->path()) && text.contains("!\n"),
                 qPrintable(text));
    QVERIFY(closer->texts[0].contains("short.flo"));
    QVERIFY(!compareOf(w).isOn());
    QVERIFY(w.hasImage); // the estimate stays on screen
}

void TestCompareMode::onlyAFlowIsCompared()
{
    Vek_Zandor w;
    CompareMode &compare = compareOf(w);
    QVERIFY(!compare.action()->isEnabled()); // nothing on screen
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QVERIFY(picture.save(path("picture.png")));
    QVERIFY(writeFile(path("gt.flo"), floBytesFilled(4, 3, 0, 0)));
    openByName(w, path("picture.png"));
    QVERIFY(!compare.action()->isEnabled());
    QVERIFY(!compare.compareWith(path("gt.flo")));
    QCOMPARE(closer->texts, QStringList{"Only a flow can be compared with a ground truth."});
    QVERIFY(!compare.isOn());
}

void TestCompareMode::leavingBringsShowChannelsBack()
{
    Vek_Zandor w;
    QVERIFY(writeFile(path("est.flo"), numberedField(6, 3, 1)));
    QVERIFY(writeFile(path("gt.flo"), numberedField(6, 3, 2)));
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    openByName(w, path("est.flo"));
    QVERIFY(w.rightLayer->isVisible());

    CompareMode &compare = compareOf(w);
    QVERIFY(compare.compareWith(path("gt.flo")));
    QCOMPARE(captionTexts(compare).value(0), QStringLiteral("Estimate (6 X 3)"));
    QVERIFY(!w.leftLabel->isVisible());
    QVERIFY(!w.rightLayer->isVisible());
    QCOMPARE(paneBytes(w.leftLayer), planeBytes(w.colorPlane));
    // The check box keeps the user's choice for later, and cannot be changed meanwhile.
    QVERIFY(w.ui.checkBox_ShowIndividualDim->isChecked());
    QVERIFY(!w.ui.checkBox_ShowIndividualDim->isEnabled());

    compare.action()->trigger();
    QVERIFY(!compare.isOn());
    QVERIFY(!compare.action()->isChecked());
    QVERIFY(w.ui.checkBox_ShowIndividualDim->isEnabled());
    QVERIFY(w.showIndividualDim);
    QCOMPARE(w.leftLabel->text(), QStringLiteral("X Dimension (6 X 3)"));
    QCOMPARE(w.rightLabel->text(), QStringLiteral("Y Dimension (6 X 3)"));
    QVERIFY(w.leftLabel->isVisible() && w.rightLabel->isVisible());
    QCOMPARE(w.leftLabel->pos().y(), 3.0 + 5);
    QVERIFY(w.rightLayer->isVisible());
    QCOMPARE(paneBytes(w.leftLayer), planeBytes(w.dimXPlane));
    QCOMPARE(paneBytes(w.rightLayer), planeBytes(w.dimYPlane));
    QVERIFY(!compare.panes().groundTruthLayer()->isVisible());
    QVERIFY(!compare.panes().epeLayer()->isVisible());
    QVERIFY(captionTexts(compare).isEmpty());
    QVERIFY(!compare.panel()->isVisibleTo(&w));
    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, 12, 3 + 30));
}

void TestCompareMode::actionChoosesTheGroundTruthAndLeaves()
{
    Vek_Zandor w;
    CompareMode &compare = compareOf(w);
    QAction *action = compare.action();
    QCOMPARE(action->text(), QStringLiteral("Compare with Ground Truth..."));
    QCOMPARE(action->shortcut(), QKeySequence("Ctrl+G"));
    QVERIFY(action->isCheckable());
    QVERIFY(w.toolHost()->toolBar()->actions().contains(action));
    QVERIFY(w.actions().contains(action));

    QDir(dir->path()).mkdir("truth");
    QVERIFY(writeFile(path("est.flo"), floBytesFilled(4, 3, 1, 0)));
    QVERIFY(writeFile(path("truth/est.flo"), floBytesFilled(4, 3, 0, 0)));
    openByName(w, path("est.flo"));
    QVERIFY(action->isEnabled());

    answerNextFileDialog(QString());
    action->trigger();
    QCOMPARE(lastFileDialogCaption(), QStringLiteral("Compare with Ground Truth"));
    QVERIFY(!compare.isOn());
    QVERIFY(!action->isChecked());

    answerNextFileDialog(path("truth/est.flo"));
    action->trigger();
    QVERIFY(compare.isComparing());
    QVERIFY(action->isChecked());
    QCOMPARE(compare.groundTruthFolder(), path("truth"));
    QCOMPARE(figure(w, "gtAee"), QStringLiteral("1"));

    action->trigger();
    QVERIFY(!compare.isOn());
    QVERIFY(!action->isChecked());
    // The next dialog starts at the ground truth of the flow's name in the last folder.
    answerNextFileDialog(QString());
    action->trigger();
    QCOMPARE(lastFileDialogFolder(), path("truth"));
    QCOMPARE(lastFileDialogSelection(), path("truth/est.flo"));
}

void TestCompareMode::enteringBringsThePanesIntoView()
{
    Vek_Zandor w;
    w.showNormal();
    w.resize(700, 500);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(writeFile(path("est.flo"), floBytesFilled(300, 120, 1, 0)));
    QVERIFY(writeFile(path("gt.flo"), floBytesFilled(300, 120, 0, 0)));
    openByName(w, path("est.flo"));
    w.ZoomOriginal();
    FlowView *view = w.ui.graphicsView;
    QVERIFY(compareOf(w).compareWith(path("gt.flo")));
    QTRY_VERIFY(view->zoom() < 1.0);
    const QRect panes = view->mapFromScene(w.scene->sceneRect()).boundingRect();
    QVERIFY2(view->viewport()->rect().adjusted(-1, -1, 1, 1).contains(panes),
             qPrintable(QStringLiteral("%1 %2 %3 %4 in %5 x %6")
                            .arg(panes.x())
                            .arg(panes.y())
                            .arg(panes.width())
                            .arg(panes.height())
                            .arg(view->viewport()->width())
                            .arg(view->viewport()->height())));

    // Panes that fit keep the zoom the user chose.
    compareOf(w).leave();
    QVERIFY(writeFile(path("small.flo"), floBytesFilled(30, 12, 1, 0)));
    QVERIFY(writeFile(path("small_gt.flo"), floBytesFilled(30, 12, 0, 0)));
    openByName(w, path("small.flo"));
    w.ZoomOriginal();
    QVERIFY(compareOf(w).compareWith(path("small_gt.flo")));
    QTest::qWait(50);
    QCOMPARE(view->zoom(), 1.0);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestCompareMode)
#include "test_compare_mode.moc"
