// The legend and the arrows over the view: what they say and where they are drawn, read back
// from the overlays and from the view as painted.

#include "arrow_overlay.h"
#include "flo_writer.h"
#include "flow_to_color.h"
#include "flow_tools.h"
#include "legend_overlay.h"
#include "modal_closer.h"
#include "scale_control.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

QImage viewport(Vek_Zandor &w)
{
    return w.ui.graphicsView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A uniform motion of (3, -2) with a block of unknown vectors in its top-left quarter.
QByteArray motionWithGap(int width, int height)
{
    std::vector<float> uv;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool gap = x < width / 2 && y < height / 2;
            uv.push_back(gap ? 1e10f : 3.0f);
            uv.push_back(gap ? 1e10f : -2.0f);
        }
    return floBytes(width, height, uv);
}

} // namespace

class TestViewOverlays : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void legendLabelsFollowTheScaleAndTheCutoff();
    void legendIsRememberedAndDrawnInTheCorner();
    void legendNeverReachesThePictureOrItsSave();
    void arrowsAtTrueLengthOnKnownVectors();
    void shortArrowsAreDots();
    void arrowsArePainted();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
};

void TestViewOverlays::init()
{
    QSettings().clear();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    QVERIFY(writeFile(path("gap.flo"), motionWithGap(64, 48)));
}

void TestViewOverlays::cleanup()
{
    QCOMPARE(closer->count(), 0);
    delete closer;
    delete dir;
}

void TestViewOverlays::legendLabelsFollowTheScaleAndTheCutoff()
{
    Vek_Zandor w;
    LegendOverlay *legend = w.flowTools()->legend();
    QVERIFY(!legend->action()->isChecked());
    legend->action()->trigger();
    QVERIFY(!legend->current()); // nothing on screen yet
    openByName(w, path("gap.flo"));

    w.SetFlowCutoff(10);
    QCOMPARE(legend->current()->kind, FlowLegend::Wheel);
    QCOMPARE(legend->current()->rimLabel, QStringLiteral("14.1 px"));
    QCOMPARE(legend->current()->cutoffLabel, QStringLiteral("cutoff 10"));
    w.SetFlowCutoff(2);
    QCOMPARE(legend->current()->rimLabel, QStringLiteral("2.83 px"));
    QCOMPARE(legend->current()->cutoffLabel, QStringLiteral("cutoff 2"));
    w.SetFlowCutoff(150);
    QCOMPARE(legend->current()->rimLabel, QStringLiteral("212 px"));

    // A magnitude scale: its own radius at the rim, no cutoff circle. Every known vector here
    // is (3, -2), so both radii are sqrt(13).
    w.flowTools()->scale()->setScale(ColourScale::Percentile99);
    QCOMPARE(legend->current()->rimLabel, QStringLiteral("3.61 px"));
    QVERIFY(legend->current()->cutoffLabel.isEmpty());
    w.flowTools()->scale()->setScale(ColourScale::LongestVector);
    QCOMPARE(legend->current()->rimLabel, QStringLiteral("3.61 px"));

    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    QCOMPARE(legend->current()->kind, FlowLegend::Ramps);
    QCOMPARE(legend->current()->lowLabel, QStringLiteral("-150"));
    QCOMPARE(legend->current()->highLabel, QStringLiteral("150"));
    w.ui.checkBox_ShowIndividualDim->setChecked(false);

    const QImage image(8, 6, QImage::Format_RGB32);
    QVERIFY(image.save(path("i.png")));
    openByName(w, path("i.png"));
    QVERIFY(!legend->current());
    openByName(w, path("gap.flo"));
    QVERIFY(legend->current());
    legend->action()->trigger();
    QVERIFY(!legend->current());
}

void TestViewOverlays::legendIsRememberedAndDrawnInTheCorner()
{
    {
        Vek_Zandor w;
        w.flowTools()->legend()->action()->trigger();
    }
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.flowTools()->legend()->action()->isChecked());
    openByName(w, path("gap.flo"));
    w.SetFlowCutoff(10);
    w.ZoomOriginal();
    const QRect port = w.ui.graphicsView->viewport()->rect();
    const QRectF square = w.flowTools()->legend()->square(port);
    QCOMPARE(square.width(), double(LegendOverlay::kSide));
    QCOMPARE(square.right(), double(port.right() + 1 - LegendOverlay::kMargin));
    QCOMPARE(square.bottom(), double(port.bottom() + 1 - LegendOverlay::kMargin));

    // The wheel's pure colours inside its rim on the left and right (off the axis), white at
    // its centre; nothing of it beside the square.
    const QImage shown = viewport(w);
    const QPointF centre = square.center();
    const double rim = LegendOverlay::kSide * 64.0 / 150.0;
    const QPoint leftOfCentre = (centre + QPointF(-(rim - 4), -6)).toPoint();
    const QColor left = shown.pixelColor(leftOfCentre);
    const QColor right = shown.pixelColor((centre + QPointF(rim - 4, -6)).toPoint());
    QVERIFY2(left.blue() > 200 && left.red() < 90, qPrintable(left.name()));
    QVERIFY2(right.red() > 200 && right.blue() < 90, qPrintable(right.name()));
    const QColor middle = shown.pixelColor(square.center().toPoint() + QPoint(2, 2));
    QVERIFY(middle.red() > 200 && middle.green() > 200 && middle.blue() > 200);
    const QPoint beside = square.topLeft().toPoint() - QPoint(3, 3);
    QCOMPARE(shown.pixelColor(beside), shown.pixelColor(beside - QPoint(20, 0)));

    w.flowTools()->legend()->action()->trigger();
    QVERIFY(viewport(w).pixelColor(leftOfCentre) != left);
}

void TestViewOverlays::legendNeverReachesThePictureOrItsSave()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("gap.flo"));
    const int items = int(w.scene->items().size());
    const QImage layer = w.leftLayer->pixmap().toImage();
    const std::vector<std::uint8_t> plane(w.colorPlane.data(),
                                          w.colorPlane.data() + w.colorPlane.byteCount());
    w.flowTools()->legend()->action()->trigger();
    w.flowTools()->arrows()->action()->trigger();
    viewport(w);
    QCOMPARE(int(w.scene->items().size()), items);
    QCOMPARE(w.leftLayer->pixmap().toImage(), layer);
    QVERIFY(std::equal(plane.begin(), plane.end(), w.colorPlane.data()));
}

// One arrow a cell, from the vector at the cell's centre, as long as the vector at the zoom:
// none where that vector is unknown.
void TestViewOverlays::arrowsAtTrueLengthOnKnownVectors()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("gap.flo"));
    ArrowOverlay *arrows = w.flowTools()->arrows();
    FlowView *view = w.ui.graphicsView;
    const QRect port = view->viewport()->rect();
    QVERIFY(arrows->arrowsFor(port).empty()); // off
    arrows->action()->trigger();

    for (int zoomIns : {0, 2}) {
        w.ZoomOriginal();
        for (int i = 0; i < zoomIns; ++i)
            w.ZoomIn();
        const double zoom = view->zoom();
        const std::vector<ArrowGlyph> glyphs = arrows->arrowsFor(port);
        QVERIFY(!glyphs.empty());
        int expected = 0;
        for (int y = 16; y < port.height(); y += 32)
            for (int x = 16; x < port.width(); x += 32) {
                const QPointF at = w.leftLayer->mapFromScene(view->mapToScene(QPoint(x, y)));
                if (w.leftLayer->contains(at) && !(at.x() < 32 && at.y() < 24))
                    ++expected;
            }
        QVERIFY2(
            std::abs(int(glyphs.size()) - expected) <= 2,
            qPrintable(QStringLiteral("%1 arrows, %2 expected").arg(glyphs.size()).arg(expected)));
        for (const ArrowGlyph &a : glyphs) {
            QVERIFY(!a.dot);
            const QPointF step = a.to - a.from;
            QVERIFY(std::fabs(step.x() - 3 * zoom) < 1e-6);
            QVERIFY(std::fabs(step.y() + 2 * zoom) < 1e-6);
            // Never over the unknown block.
            const QPointF pixel = w.leftLayer->mapFromScene(view->mapToScene(a.from.toPoint()));
            QVERIFY(!(pixel.x() < 32 && pixel.y() < 24));
        }
    }
}

void TestViewOverlays::shortArrowsAreDots()
{
    QVERIFY(writeFile(path("slow.flo"), floBytes(100, 80, std::vector<float>(16000, 0.5f))));
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("slow.flo"));
    w.flowTools()->arrows()->action()->trigger();
    w.ZoomOriginal();
    const QRect port = w.ui.graphicsView->viewport()->rect();
    std::vector<ArrowGlyph> glyphs = w.flowTools()->arrows()->arrowsFor(port);
    QVERIFY(!glyphs.empty());
    for (const ArrowGlyph &a : glyphs)
        QVERIFY(a.dot); // 0.7 device pixels
    for (int i = 0; i < 3; ++i)
        w.ZoomIn(); // 3.375: 2.4 device pixels
    glyphs = w.flowTools()->arrows()->arrowsFor(port);
    QVERIFY(!glyphs.empty());
    for (const ArrowGlyph &a : glyphs)
        QVERIFY(!a.dot);
}

// The painted view: light strokes with a dark edge where the arrows are, nothing changed over
// the unknown block, and the arrows follow the view when it pans.
void TestViewOverlays::arrowsArePainted()
{
    QVERIFY(writeFile(path("big.flo"), motionWithGap(400, 300)));
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, path("big.flo"));
    w.ZoomOriginal();
    w.ZoomIn();
    w.ZoomIn();
    const QImage plain = viewport(w);
    w.ui.graphicsView->setFocus();
    w.flowTools()->arrows()->action()->trigger();
    const QImage marked = viewport(w);
    const QRect port = w.ui.graphicsView->viewport()->rect();
    const std::vector<ArrowGlyph> glyphs = w.flowTools()->arrows()->arrowsFor(port);
    QVERIFY(!glyphs.empty());
    int light = 0, dark = 0, changedOverGap = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) == marked.pixel(x, y))
                continue;
            const QColor c = marked.pixelColor(x, y);
            light += c.lightness() > 180;
            dark += c.lightness() < 60;
            const QPointF pixel =
                w.leftLayer->mapFromScene(w.ui.graphicsView->mapToScene(QPoint(x, y)));
            changedOverGap +=
                pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < 190 && pixel.y() < 140;
        }
    QVERIFY(light > int(glyphs.size()) && dark > int(glyphs.size()));
    QCOMPARE(changedOverGap, 0);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestViewOverlays)
#include "test_view_overlays.moc"
