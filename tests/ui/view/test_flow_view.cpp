// The view at a device-pixel ratio of 2, as on a high-density screen: "Original" shows one
// picture pixel per device pixel, the zoom bounds count device pixels, and overlays keep their
// place in the viewport whatever the zoom and the scroll position.

#include "arrow_overlay.h"
#include "flo_writer.h"
#include "flow_tools.h"
#include "flow_view.h"
#include "legend_overlay.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "view_overlay.h"
#include "window_driver.h"

#include <QApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// A square in the viewport's bottom-right corner, as a legend will sit.
class CornerSquare : public ViewOverlay
{
public:
    static constexpr int kSide = 12;
    int paints = 0;
    void paintOverlay(QPainter &painter, const QRect &viewport) override
    {
        ++paints;
        painter.fillRect(
            QRect(viewport.right() - kSide + 1, viewport.bottom() - kSide + 1, kSide, kSide),
            Qt::magenta);
    }
};

QColor viewportPixel(QGraphicsView *view, QPoint logical)
{
    const QImage shot = view->viewport()->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    return shot.pixelColor(int(logical.x() * ratio), int(logical.y() * ratio));
}

} // namespace

class TestFlowView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void originalIsOnePicturePixelPerDevicePixel();
    void zoomBoundsCountDevicePixels();
    void overlaysStayInTheCorner();
    void legendAndArrowsCountDevicePixels();

private:
    QTemporaryDir dir;
    QString flowPath;
};

void TestFlowView::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QVERIFY(dir.isValid());
    std::vector<float> uv;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            uv.push_back(float(x % 17) - 8.0f);
            uv.push_back(float(y % 13) - 6.0f);
        }
    flowPath = dir.filePath("big.flo");
    QVERIFY(writeFile(flowPath, floBytes(400, 300, uv)));
}

void TestFlowView::originalIsOnePicturePixelPerDevicePixel()
{
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, flowPath);
    FlowView *view = w.ui.graphicsView;
    QCOMPARE(view->devicePixelRatioF(), 2.0);
    w.ZoomIn();
    w.ZoomIn();
    w.ui.actionZoom_Original->trigger();
    // A picture pixel spans half a logical pixel, which is one device pixel.
    QCOMPARE(view->transform(), QTransform::fromScale(0.5, 0.5));
    QCOMPARE(view->zoom(), 1.0);
    const QRect mapped = view->mapFromScene(QRectF(0, 0, 100, 100)).boundingRect();
    QVERIFY(qAbs(mapped.width() * view->devicePixelRatioF() - 100) <= 2);
}

void TestFlowView::zoomBoundsCountDevicePixels()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    FlowView *view = w.ui.graphicsView;
    for (int i = 0; i < 40; ++i)
        w.ZoomIn();
    QCOMPARE(view->zoom(), FlowView::kMaxZoom);
    QCOMPARE(view->transform().m11(), FlowView::kMaxZoom / 2);
    for (int i = 0; i < 40; ++i)
        w.ZoomOut();
    QCOMPARE(view->zoom(), FlowView::kMinZoom);
}

void TestFlowView::overlaysStayInTheCorner()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, flowPath);
    FlowView *view = w.ui.graphicsView;
    const int items = int(w.scene->items().size());
    const QImage layerBefore = w.leftLayer->pixmap().toImage();

    CornerSquare square;
    view->addOverlay(&square);
    const QRect port = view->viewport()->rect();
    const QPoint corner = port.bottomRight() - QPoint(2, 2);
    const QPoint outside = port.bottomRight() - QPoint(CornerSquare::kSide + 4, 2);
    QCOMPARE(viewportPixel(view, corner), QColor(Qt::magenta));
    QVERIFY(viewportPixel(view, outside) != QColor(Qt::magenta));

    // Zoomed far in and scrolled, the square is still in the corner and only there.
    for (int i = 0; i < 8; ++i)
        w.ZoomIn();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 3);
    QCOMPARE(viewportPixel(view, corner), QColor(Qt::magenta));
    QVERIFY(viewportPixel(view, outside) != QColor(Qt::magenta));

    // Outside the scene: no item added, and the picture's pixmap untouched.
    QCOMPARE(int(w.scene->items().size()), items);
    QCOMPARE(w.leftLayer->pixmap().toImage(), layerBefore);

    view->removeOverlay(&square);
    QVERIFY(viewportPixel(view, corner) != QColor(Qt::magenta));
}

// The legend is 160 device pixels across, the arrows' cells 32, and an arrow as long in device
// pixels as its vector at one picture pixel per device pixel.
void TestFlowView::legendAndArrowsCountDevicePixels()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, flowPath);
    w.ZoomOriginal();
    FlowView *view = w.ui.graphicsView;
    const QRect port = view->viewport()->rect();
    QCOMPARE(w.flowTools()->legend()->square(port).width(), 80.0);

    w.flowTools()->arrows()->action()->setChecked(true);
    const std::vector<ArrowGlyph> glyphs = w.flowTools()->arrows()->arrowsFor(port);
    QVERIFY(glyphs.size() > 10);
    int neighbours = 0;
    for (const ArrowGlyph &a : glyphs) {
        QCOMPARE(std::fmod(a.from.x() - 8, 16.0), 0.0);
        QCOMPARE(std::fmod(a.from.y() - 8, 16.0), 0.0);
        const QPointF at = w.leftLayer->mapFromScene(view->mapToScene(a.from.toPoint()));
        const float u = w.flowU[int(at.y())][int(at.x())];
        const float v = w.flowV[int(at.y())][int(at.x())];
        const QPointF device = (a.to - a.from) * 2.0;
        QVERIFY(std::fabs(device.x() - u) < 1e-6 && std::fabs(device.y() - v) < 1e-6);
        QCOMPARE(a.dot, std::hypot(u, v) < 2.0);
        neighbours +=
            a.from.x() == glyphs.front().from.x() + 16 && a.from.y() == glyphs.front().from.y();
    }
    QCOMPARE(neighbours, 1);
}

int main(int argc, char *argv[])
{
    // A screen of twice the density; the application sees only the program name, since the
    // window opens its first argument.
    qputenv("QT_SCALE_FACTOR", "2");
    int appArgc = 1;
    QApplication app(appArgc, argv);
    // The window's tools remember what they show in a folder of this program's own.
    QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));
    QCoreApplication::setApplicationName(QStringLiteral("flowviewer-test"));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    TestFlowView test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_flow_view.moc"
