#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>

namespace {

// Opens a generated flow in the window the way the open dialog does.
bool openFlow(Vek_Zandor &w, const QString &path)
{
    openByName(w, path);
    return w.hasImage && w.isFlow;
}

bool layerShows(const QGraphicsPixmapItem *layer, const PixelPlane &plane)
{
    const QImage shown = layer->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    if (shown.width() != plane.cols() || shown.height() != plane.rows())
        return false;
    for (int y = 0; y < plane.rows(); ++y)
        if (std::memcmp(shown.constScanLine(y), plane[y][0], std::size_t(plane.bytesPerLine())))
            return false;
    return true;
}

} // namespace

class TestCutoffSlots : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oneLoadDrawsOnce();
    void sliderMoveReachesSpinBoxAndDrawsOnce();
    void cutoffBeyondSpinBoxRange();
    void widgetsShowTheCutoffInEffect();
    void keepHoldsTheCutoff();
    void cutoffZeroIsBlack();
    void layersShowThePlanes();
    void pixmapsAsAFreshConversionGivesThem();
    void sceneLayoutForBothViews();
    void channelsToggleWithoutFlowOnlySetsTheFlag();

private:
    QTemporaryDir dir;
    QString flow640;
};

void TestCutoffSlots::init()
{
    QVERIFY(dir.isValid());
    // 640 x 8 with components up to 25 so that the slider range is [0, 25].
    std::vector<float> uv;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 640; ++x) {
            uv.push_back(float(x % 51) - 25.0f);
            uv.push_back(float(y) - 3.5f);
        }
    flow640 = dir.filePath("wide.flo");
    QVERIFY(writeFile(flow640, floBytes(640, 8, uv)));
}

void TestCutoffSlots::oneLoadDrawsOnce()
{
    Vek_Zandor w;
    // A slider at 100 is moved by the range change to 25, which echoes through the slot.
    w.ui.verticalSlider_FlowCutoffVal->setValue(100);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    const int before = int(passes.count());
    QVERIFY(openFlow(w, flow640));
    QCOMPARE(int(passes.count()) - before, 1);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 25);
    QCOMPARE(w.flowCutoff, 25);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 25);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 25);
}

void TestCutoffSlots::sliderMoveReachesSpinBoxAndDrawsOnce()
{
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    w.ui.verticalSlider_FlowCutoffVal->setValue(20);
    QCOMPARE(w.flowCutoff, 20);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    const int before = int(passes.count());
    w.ui.verticalSlider_FlowCutoffVal->setValue(20); // no change, no pass
    QCOMPARE(int(passes.count()), before);
    w.ui.spinBox_FlowCutoffVal->setValue(24);
    QCOMPARE(int(passes.count()) - before, 1);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 24);
    QCOMPARE(w.flowCutoff, 24);
}

void TestCutoffSlots::cutoffBeyondSpinBoxRange()
{
    QTemporaryDir d;
    std::vector<float> uv(2 * 1500, 0.0f);
    uv[2 * 700] = 1500.0f;
    const QString path = d.filePath("long.flo");
    QVERIFY(writeFile(path, floBytes(1500, 1, uv)));
    Vek_Zandor w;
    QVERIFY(openFlow(w, path));
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 1500);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 1000);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 1500);
    QCOMPARE(w.flowCutoff, 1500);
}

// Typing a value beyond the slider's end once left the spin box showing the slider's end while
// the picture was drawn at the value typed. Each widget shows the cutoff as far as it reaches.
void TestCutoffSlots::widgetsShowTheCutoffInEffect()
{
    QTemporaryDir d;
    const QString path = d.filePath("slow.flo");
    QVERIFY(writeFile(path, floBytesFilled(6, 4, 3.5f, -1.0f))); // the slider ends at 4
    Vek_Zandor w;
    QVERIFY(openFlow(w, path));
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->maximum(), 4);
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    const int before = int(passes.count());
    QTest::keyClick(w.ui.spinBox_FlowCutoffVal, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w.ui.spinBox_FlowCutoffVal, "10");
    QCOMPARE(w.flowCutoff, 10);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 10);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 4);
    QCOMPARE(int(passes.count()) - before, 2); // "1", then "10"

    // The slider dragged back down moves both.
    w.ui.verticalSlider_FlowCutoffVal->setValue(2);
    QCOMPARE(w.flowCutoff, 2);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 2);

    // Keep holds a cutoff beyond the next flow's range: the spin box still shows it.
    w.ui.spinBox_FlowCutoffVal->setValue(30);
    w.ui.checkBox_KeepMaxValue->setChecked(true);
    QVERIFY(openFlow(w, path));
    QCOMPARE(w.flowCutoff, 30);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 30);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 4);
}

void TestCutoffSlots::keepHoldsTheCutoff()
{
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    w.ui.spinBox_FlowCutoffVal->setValue(12);
    w.ui.checkBox_KeepMaxValue->setChecked(true);
    QVERIFY(w.keepCutoff);
    QVERIFY(!w.ui.spinBox_FlowCutoffVal->isEnabled());
    QVERIFY(!w.ui.verticalSlider_FlowCutoffVal->isEnabled());

    w.SetFlowCutoff(3);
    QCOMPARE(w.flowCutoff, 12);
    QCOMPARE(w.ui.spinBox_FlowCutoffVal->value(), 12);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 12);

    // A new load keeps it too.
    QVERIFY(openFlow(w, flow640));
    QCOMPARE(w.flowCutoff, 12);

    w.ui.checkBox_KeepMaxValue->setChecked(false);
    QVERIFY(w.ui.spinBox_FlowCutoffVal->isEnabled());
    QVERIFY(w.ui.verticalSlider_FlowCutoffVal->isEnabled());
    w.SetFlowCutoff(3);
    QCOMPARE(w.flowCutoff, 3);
}

void TestCutoffSlots::cutoffZeroIsBlack()
{
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    w.SetFlowCutoff(0);
    QCOMPARE(w.flowCutoff, 0);
    for (const PixelPlane *plane : {&w.colorPlane, &w.dimXPlane, &w.dimYPlane}) {
        const std::uint8_t *p = plane->data();
        QVERIFY(std::all_of(p, p + plane->byteCount(), [](std::uint8_t b) { return b == 0; }));
    }
}

void TestCutoffSlots::layersShowThePlanes()
{
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    w.SetFlowCutoff(10);
    QVERIFY(layerShows(w.leftLayer, w.colorPlane));
    // Cutoff 10: u = 0 is grey 127, -10 and below 0, 10 and above 255.
    QCOMPARE(int(w.dimXPlane[0][25][0]), 127);
    QCOMPARE(int(w.dimXPlane[0][0][1]), 0);
    QCOMPARE(int(w.dimXPlane[0][50][2]), 255);

    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QVERIFY(layerShows(w.leftLayer, w.dimXPlane));
    QVERIFY(layerShows(w.rightLayer, w.dimYPlane));
    w.ui.checkBox_ShowIndividualDim->setChecked(false);
    QVERIFY(layerShows(w.leftLayer, w.colorPlane));
}

// A layer's pixmap is rebuilt in the memory of its previous one when it can be: the result
// must be the pixmap Qt's own conversion of the plane gives, in format as well as pixels, and
// a copy of the previous pixmap held elsewhere must keep its picture.
void TestCutoffSlots::pixmapsAsAFreshConversionGivesThem()
{
    const auto fresh = [](const PixelPlane &plane) {
        const QImage wrapped(plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine(),
                             QImage::Format_RGB888);
        return QPixmap::fromImage(wrapped).toImage();
    };
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    for (int cutoff : {10, 11, 3, 25}) {
        // Reused when nothing else holds the old pixmap, which the check must not do either.
        const uchar *before = w.leftLayer->pixmap().toImage().constBits();
        w.SetFlowCutoff(cutoff);
        QCOMPARE(w.leftLayer->pixmap().toImage().constBits(), before);
        QCOMPARE(w.leftLayer->pixmap().toImage(), fresh(w.colorPlane));
        QCOMPARE(w.leftLayer->pixmap().toImage().format(), fresh(w.colorPlane).format());

        const QPixmap held = w.leftLayer->pixmap();
        const QImage heldPicture = held.toImage().copy();
        w.SetFlowCutoff(cutoff + 1);
        QCOMPARE(w.leftLayer->pixmap().toImage(), fresh(w.colorPlane));
        QCOMPARE(held.toImage(), heldPicture);
    }
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    w.SetFlowCutoff(7);
    QCOMPARE(w.leftLayer->pixmap().toImage(), fresh(w.dimXPlane));
    QCOMPARE(w.rightLayer->pixmap().toImage(), fresh(w.dimYPlane));
    w.ui.checkBox_ShowIndividualDim->setChecked(false);
    QCOMPARE(w.leftLayer->pixmap().toImage(), fresh(w.colorPlane));

    // A picture of the same size after the flow.
    QImage picture(640, 8, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QString png = dir.filePath("same size.png");
    QVERIFY(picture.save(png));
    openByName(w, png);
    QVERIFY(w.hasImage && !w.isFlow);
    QCOMPARE(w.leftLayer->pixmap().toImage(), fresh(w.colorPlane));
}

void TestCutoffSlots::sceneLayoutForBothViews()
{
    Vek_Zandor w;
    QVERIFY(openFlow(w, flow640));
    const qreal W = 640, H = 8;

    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, W, H + 30));
    QCOMPARE(w.leftLabel->text(), QStringLiteral("Color Show (640 X 8)"));
    const qreal wl = w.leftLabel->boundingRect().width();
    QCOMPARE(w.leftLabel->pos(), QPointF(W * 0.5 - wl * 0.5, H + 5));
    QVERIFY(w.leftLabel->isVisible());
    QVERIFY(!w.rightLabel->isVisible());
    QVERIFY(!w.rightLayer->isVisible());
    QCOMPARE(w.leftLayer->pos(), QPointF(0, 0));

    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, 2 * W, H + 30));
    QCOMPARE(w.leftLabel->text(), QStringLiteral("X Dimension (640 X 8)"));
    QCOMPARE(w.rightLabel->text(), QStringLiteral("Y Dimension (640 X 8)"));
    const qreal wx = w.leftLabel->boundingRect().width();
    const qreal wy = w.rightLabel->boundingRect().width();
    QCOMPARE(w.leftLabel->pos(), QPointF(W * 0.5 - wx * 0.5, H + 5));
    QCOMPARE(w.rightLabel->pos(), QPointF(645 + W * 0.5 - wy * 0.5, H + 5));
    QCOMPARE(w.rightLayer->pos(), QPointF(645, 0));
    QVERIFY(w.rightLayer->isVisible() && w.rightLabel->isVisible());
}

void TestCutoffSlots::channelsToggleWithoutFlowOnlySetsTheFlag()
{
    Vek_Zandor w;
    QSignalSpy passes(w.document(), &ViewerDocument::viewsDrawn);
    const int before = int(passes.count());
    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QVERIFY(w.showIndividualDim);
    QCOMPARE(int(passes.count()), before);
    w.ui.spinBox_FlowCutoffVal->setValue(40);
    QCOMPARE(w.ui.verticalSlider_FlowCutoffVal->value(), 40);
    QCOMPARE(w.flowCutoff, 0);

    // The next flow opens in the channel view.
    QVERIFY(openFlow(w, flow640));
    QVERIFY(w.rightLayer->isVisible());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestCutoffSlots)
#include "test_cutoff_slots.moc"
