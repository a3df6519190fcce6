#include "dialog_driver.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "png_export.h"
#include "save_name.h"
#include "vek_zandor.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImageReader>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

namespace {

// Delivers a drop as a real drag does: Qt hands a drop only to the widget that accepted the
// drag's entry.
void drop(Vek_Zandor &w, QMimeData *data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

bool imageEqualsPlane(const QImage &image, const PixelPlane &plane)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.width() != plane.cols() || rgb.height() != plane.rows())
        return false;
    for (int y = 0; y < plane.rows(); ++y)
        if (memcmp(rgb.constScanLine(y), plane[y][0], std::size_t(plane.bytesPerLine())) != 0)
            return false;
    return true;
}

// Whether fitInView made the rectangle fill the viewport along one axis and fit in the other.
bool fits(const QGraphicsView *view, const QRectF &rect)
{
    const QRectF mapped = view->transform().mapRect(rect);
    const QSize port = view->viewport()->size();
    const bool wide = qAbs(mapped.width() - port.width()) < 6 && mapped.height() <= port.height();
    const bool tall = qAbs(mapped.height() - port.height()) < 6 && mapped.width() <= port.width();
    return view->transform().m11() == view->transform().m22() && (wide || tall);
}

} // namespace

class TestViewCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void zoomInThenOutIsExact();
    void zoomStopsAtItsBounds();
    void zoomFitFitsTheCurrentLayout();
    void zoomSurvivesLoading();
    void actionsFollowWhatIsShown();
    void openDialogAcceptedAndCancelled();
    void stepPastTheEndAfterACancelledOpen();
    void wheelStepDoesNotScroll();
    void saveNameProposals_data();
    void saveNameProposals();
    void saveDialogProposesFromTheShownFile();
    void saveWritesTheColourPlane();
    void saveWithoutSuffixWritesPng();
    void saveWithNothingLoadedDoesNothing();
    void failedSaveIsReported();
    void dragNeedsAUriList();
    void dropOpensTheFirstLocalFile();
    void dropReturnsBeforeTheFileOpens();

private:
    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    QString flowPath;
};

void TestViewCommands::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    std::vector<float> uv;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uv.push_back(float(x) - 20.0f);
            uv.push_back(float(y) * 0.5f - 7.0f);
        }
    flowPath = dir->filePath("frame.flo");
    QVERIFY(writeFile(flowPath, floBytes(40, 30, uv)));
}

void TestViewCommands::cleanup()
{
    cancelFileDialogAnswer();
    delete closer;
    delete dir;
}

void TestViewCommands::zoomInThenOutIsExact()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    w.ZoomIn();
    QCOMPARE(w.ui.graphicsView->transform().m11(), 1.5);
    w.ZoomOut();
    QVERIFY(w.ui.graphicsView->transform().isIdentity());
    for (int i = 0; i < 5; ++i)
        w.ui.actionZoom_In->trigger();
    w.ui.actionZoom_Out->trigger();
    w.ui.actionZoom_Original->trigger();
    QVERIFY(w.ui.graphicsView->transform().isIdentity());
}

// About 37 presses of "+" once made most of the picture unreachable: the zoom stops at 64
// device pixels a picture pixel, and at 1/32 the other way, and comes back from either.
void TestViewCommands::zoomStopsAtItsBounds()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    FlowView *view = w.ui.graphicsView;
    for (int i = 0; i < 40; ++i)
        w.ui.actionZoom_In->trigger();
    QCOMPARE(view->zoom(), FlowView::kMaxZoom);
    w.ZoomOut();
    QCOMPARE(view->zoom(), FlowView::kMaxZoom * 0.6666666666666666);
    for (int i = 0; i < 40; ++i)
        w.ui.actionZoom_Out->trigger();
    QCOMPARE(view->zoom(), FlowView::kMinZoom);
    w.ZoomIn();
    QCOMPARE(view->zoom(), FlowView::kMinZoom * 1.5);

    // Fit may go past a bound for a tiny picture; zooming further that way does nothing.
    view->setTransform(QTransform::fromScale(100, 100));
    w.ZoomIn();
    QCOMPARE(view->zoom(), 100.0);
    w.ZoomOut();
    QCOMPARE(view->zoom(), 100.0 * 0.6666666666666666);
}

void TestViewCommands::zoomFitFitsTheCurrentLayout()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, flowPath);
    w.ui.actionZoom_Fit->trigger();
    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, 40, 60));
    QVERIFY(fits(w.ui.graphicsView, w.scene->sceneRect()));

    w.ui.checkBox_ShowIndividualDim->setChecked(true);
    w.ZoomFit();
    QCOMPARE(w.scene->sceneRect(), QRectF(0, 0, 80, 60));
    QVERIFY(fits(w.ui.graphicsView, w.scene->sceneRect()));

    w.ui.checkBox_ShowIndividualDim->setChecked(false);
    w.ZoomFit();
    QVERIFY(fits(w.ui.graphicsView, QRectF(0, 0, 40, 60)));
}

void TestViewCommands::zoomSurvivesLoading()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    w.ZoomIn();
    w.ZoomIn();
    const QTransform zoomed = w.ui.graphicsView->transform();
    openByName(w, flowPath);
    QCOMPARE(w.ui.graphicsView->transform(), zoomed);
}

// Save and the zooms act on what is shown: with nothing on screen they are off, and after a
// failed load the old picture can still be zoomed but no longer saved (its planes are gone).
void TestViewCommands::actionsFollowWhatIsShown()
{
    Vek_Zandor w;
    const QList<QAction *> zooms = {w.ui.actionZoom_Fit, w.ui.actionZoom_Original,
                                    w.ui.actionZoom_In, w.ui.actionZoom_Out};
    QVERIFY(!w.ui.actionSave_As->isEnabled());
    for (QAction *zoom : zooms)
        QVERIFY(!zoom->isEnabled());
    w.ZoomIn(); // the slots themselves still do no harm
    w.SaveFileAction();
    QCOMPARE(closer->count(), 0);

    openByName(w, flowPath);
    QVERIFY(w.ui.actionSave_As->isEnabled());
    for (QAction *zoom : zooms)
        QVERIFY(zoom->isEnabled());

    QVERIFY(writeFile(dir->filePath("broken.flo"), QByteArray("PIEH", 4)));
    openByName(w, dir->filePath("broken.flo"));
    QCOMPARE(closer->count(), 1);
    QVERIFY(!w.ui.actionSave_As->isEnabled());
    for (QAction *zoom : zooms)
        QVERIFY(zoom->isEnabled());
    openByName(w, flowPath);
    QVERIFY(w.ui.actionSave_As->isEnabled());
}

void TestViewCommands::openDialogAcceptedAndCancelled()
{
    Vek_Zandor w;
    answerNextFileDialog(flowPath);
    w.ui.actionOpen->trigger();
    QCOMPARE(lastFileDialogCaption(), QStringLiteral("Open Image File"));
    QCOMPARE(w.filePath, flowPath);
    QVERIFY(w.hasImage && w.isFlow && !w.browseByStep);

    answerNextFileDialog(QString());
    w.OpenFileAction();
    QVERIFY(w.filePath.isEmpty());
    QVERIFY(w.hasImage); // the picture stays
    QVERIFY(!w.leftLayer->pixmap().isNull());
    QCOMPARE(closer->count(), 0);
}

// A cancelled open dialog leaves filePath empty; a wheel step past the end of the listing then
// reloads the file on screen instead of trying the empty path.
void TestViewCommands::stepPastTheEndAfterACancelledOpen()
{
    Vek_Zandor w;
    openByName(w, flowPath); // alone in its folder
    answerNextFileDialog(QString());
    w.OpenFileAction();
    QVERIFY(w.filePath.isEmpty());
    step(w, 1);
    QCOMPARE(closer->count(), 0);
    QCOMPARE(w.filePath, flowPath);
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + flowPath + "]");
}

// A wheel notch over the picture steps to the next file and leaves the view where it was, so
// that the same region can be compared from file to file.
void TestViewCommands::wheelStepDoesNotScroll()
{
    QVERIFY(writeFile(dir->filePath("later.flo"), floBytesFilled(40, 30, 3, 4)));
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openByName(w, flowPath);
    for (int i = 0; i < 8; ++i)
        w.ZoomIn();
    QGraphicsView *view = w.ui.graphicsView;
    view->centerOn(20, 15);
    QScrollBar *bar = view->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    const int before = bar->value();
    const QPoint at = view->mapFromScene(QPointF(20, 15));
    QWheelEvent turn(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &turn);
    QCOMPARE(w.filePath, dir->filePath("later.flo"));
    QCOMPARE(bar->value(), before);
    QCOMPARE(closer->count(), 0);
}

void TestViewCommands::saveNameProposals_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("proposal");
    QTest::newRow("plain") << "/data/flows/frame10.flo"
                           << "/data/flows/frame10_colorview.png";
    QTest::newRow("dot in folder") << "/data/run.1/frame10.flo"
                                   << "/data/run_colorview.png";
    QTest::newRow("no dot") << "/data/flows/frame10"
                            << "/data/flows/frame10_colorview.png";
    QTest::newRow("empty") << ""
                           << "_colorview.png";
}

void TestViewCommands::saveNameProposals()
{
    QFETCH(QString, path);
    QFETCH(QString, proposal);
    QCOMPARE(proposedSaveName(path, QStringLiteral("_colorview.png")), proposal);
}

void TestViewCommands::saveDialogProposesFromTheShownFile()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    answerNextFileDialog(QString());
    w.ui.actionSave_As->trigger();
    QCOMPARE(lastFileDialogCaption(), QStringLiteral("Save Colored Flow As File"));
    QCOMPARE(lastFileDialogSelection(), dir->filePath("frame_colorview.png"));
    QVERIFY(!QFile::exists(dir->filePath("frame_colorview.png")));
}

void TestViewCommands::saveWritesTheColourPlane()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    w.SetFlowCutoff(9);
    w.ui.checkBox_ShowIndividualDim->setChecked(true); // the colour view is saved all the same
    for (const char *name : {"out.png", "out.bmp"}) {
        const QString target = dir->filePath(name);
        answerNextFileDialog(target);
        w.SaveFileAction();
        QImage saved(target);
        QVERIFY2(!saved.isNull(), name);
        QVERIFY2(imageEqualsPlane(saved, w.colorPlane), name);
    }
    QCOMPARE(QImageReader(dir->filePath("out.bmp")).format(), QByteArray("bmp"));
    QCOMPARE(closer->count(), 0);

    // The PNG is the fast encoder's at its default level, recording 96 dpi: flo2png's bytes.
    PngSettings settings;
    settings.dotsPerMeterX = settings.dotsPerMeterY = 3780;
    const std::vector<std::uint8_t> png = encodeRgbPng(
        {w.colorPlane.data(), w.cols, w.rows, std::size_t(w.colorPlane.bytesPerLine())}, settings);
    QFile saved(dir->filePath("out.png"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll() ==
            QByteArray(reinterpret_cast<const char *>(png.data()), qsizetype(png.size())));
}

// A name without a suffix names no format: PNG is written under the name with ".png", and a
// file already under that name, which the dialog did not ask about, is replaced only when the
// user says so.
void TestViewCommands::saveWithoutSuffixWritesPng()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    const QString bare = dir->filePath("picture");
    answerNextFileDialog(bare);
    w.SaveFileAction();
    QCOMPARE(closer->count(), 0);
    QVERIFY(!QFile::exists(bare));
    QCOMPARE(QImageReader(bare + ".png").format(), QByteArray("png"));
    QVERIFY(imageEqualsPlane(QImage(bare + ".png"), w.colorPlane));

    QVERIFY(writeFile(bare + ".png", "keep me"));
    closer->answer = QMessageBox::No;
    answerNextFileDialog(bare);
    w.SaveFileAction();
    QCOMPARE(closer->count(), 1);
    QVERIFY(closer->texts.first().contains("picture.png already exists"));
    QFile kept(bare + ".png");
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
    kept.close();

    closer->answer = QMessageBox::Yes;
    answerNextFileDialog(bare);
    w.SaveFileAction();
    QCOMPARE(closer->count(), 2);
    QVERIFY(imageEqualsPlane(QImage(bare + ".png"), w.colorPlane));
}

void TestViewCommands::saveWithNothingLoadedDoesNothing()
{
    Vek_Zandor w;
    answerNextFileDialog(QString());
    w.SaveFileAction();
    QTest::qWait(100);
    QVERIFY(lastFileDialogCaption().isEmpty());
    QCOMPARE(closer->count(), 0);
}

void TestViewCommands::failedSaveIsReported()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    const QString target = dir->filePath("fresh.xyz"); // a format nobody writes
    answerNextFileDialog(target);
    w.SaveFileAction();
    QCOMPARE(closer->count(), 1);
    QCOMPARE(closer->titles.first(), QStringLiteral("Save File Error"));
    QVERIFY(closer->texts.first().startsWith("Cann't save file " + target + " !\n"));
    QVERIFY(closer->texts.first().size() > QString("Cann't save file " + target + " !\n").size());
    QVERIFY(!QFile::exists(target));
}

void TestViewCommands::dragNeedsAUriList()
{
    Vek_Zandor w;
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile(flowPath)});
    QDragEnterEvent accepted(QPoint(5, 5), Qt::CopyAction, &uris, Qt::LeftButton, Qt::NoModifier);
    accepted.ignore();
    QApplication::sendEvent(&w, &accepted);
    QVERIFY(accepted.isAccepted());

    QMimeData text;
    text.setText(flowPath);
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(&w, &refused);
    QVERIFY(!refused.isAccepted());
}

void TestViewCommands::dropOpensTheFirstLocalFile()
{
    const QString second = dir->filePath("second.flo");
    QVERIFY(writeFile(second, floBytesFilled(2, 2, 0, 0)));
    Vek_Zandor w;
    w.browseByStep = true;
    QMimeData three;
    three.setUrls(
        {QUrl::fromLocalFile(flowPath), QUrl::fromLocalFile(second), QUrl::fromLocalFile(second)});
    drop(w, &three);
    QTRY_COMPARE(w.filePath, flowPath);
    QVERIFY(w.hasImage && !w.browseByStep);

    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("http://host.invalid/a.flo"))});
    drop(w, &remote);
    QTest::qWait(50);
    QCOMPARE(w.filePath, flowPath);
    QCOMPARE(closer->count(), 0);
}

// The drop is taken and returns at once; the file opens afterwards, so that a box about a file
// that cannot be read never keeps the drag's source waiting.
void TestViewCommands::dropReturnsBeforeTheFileOpens()
{
    const QString broken = dir->filePath("broken.flo");
    QVERIFY(writeFile(broken, QByteArray("PIEH", 4)));
    Vek_Zandor w;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(broken)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(&w, &event);
    QVERIFY(event.isAccepted());
    QCOMPARE(closer->count(), 0);
    QVERIFY(w.filePath.isEmpty());
    QTRY_COMPARE(closer->count(), 1);
    QVERIFY(closer->texts.first().startsWith("Cann't open file " + broken + " !"));
    QCOMPARE(w.filePath, broken);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestViewCommands)
#include "test_view_commands.moc"
