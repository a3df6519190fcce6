#include "modal_closer.h"
#include "vek_imagelayer.h"
#include "vek_zandor.h"
#include "window_test_main.h"

#include <QAction>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QMenuBar>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

class TestWindowShell : public QObject
{
    Q_OBJECT

private slots:
    void slotTableIsTheContract();
    void castsAnswerByClassName();
    void startsWithToolbarAndEmptyView();
    void cutoffControlsStartAtZero();
    void toolbarHoldsEveryShortcut_data();
    void toolbarHoldsEveryShortcut();
    void toolbarAndMenusInOrder();
    void escapeClosesTheWindow();
    void sceneHoldsTwoLayersAndTwoHiddenCaptions();
    void aboutBoxNamesTheViewer();
    void modeSlotShowsAndHidesThePanel();
    void destructionReleasesPlanes();
};

void TestWindowShell::slotTableIsTheContract()
{
    const QMetaObject *mo = &Vek_Zandor::staticMetaObject;
    QCOMPARE(QByteArray(mo->className()), QByteArray("Vek_Zandor"));
    QCOMPARE(mo->superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(mo->classInfoCount() - mo->classInfoOffset(), 0);
    QCOMPARE(mo->propertyCount() - mo->propertyOffset(), 0);
    QCOMPARE(mo->enumeratorCount() - mo->enumeratorOffset(), 0);

    const QList<QByteArray> expected = {"OpenFileAction()",
                                        "SaveFileAction()",
                                        "ZoomFit()",
                                        "ZoomOriginal()",
                                        "ZoomIn()",
                                        "ZoomOut()",
                                        "About()",
                                        "SetModeAsViewingFlow(bool)",
                                        "SetFlowCutoff(int)",
                                        "SetShowIndividualDim(bool)",
                                        "SetKeepFlowCutoffValue(bool)"};
    QCOMPARE(mo->methodCount() - mo->methodOffset(), int(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod m = mo->method(mo->methodOffset() + i);
        QCOMPARE(m.methodSignature(), expected.at(i));
        QCOMPARE(m.methodType(), QMetaMethod::Slot);
        QCOMPARE(m.access(), QMetaMethod::Public);
    }
    const QMetaMethod cutoff = mo->method(mo->indexOfSlot("SetFlowCutoff(int)"));
    QCOMPARE(cutoff.parameterNames(), QList<QByteArray>{"value"});
    const QMetaMethod mode = mo->method(mo->indexOfSlot("SetModeAsViewingFlow(bool)"));
    QCOMPARE(mode.parameterNames(), QList<QByteArray>{QByteArray()});

    const QMetaObject *layer = &Vek_ImageLayer::staticMetaObject;
    QCOMPARE(QByteArray(layer->className()), QByteArray("Vek_ImageLayer"));
    QCOMPARE(layer->superClass(), &QObject::staticMetaObject);
    QCOMPARE(layer->methodCount(), layer->methodOffset());
}

void TestWindowShell::castsAnswerByClassName()
{
    Vek_Zandor w;
    QCOMPARE(w.qt_metacast("Vek_Zandor"), static_cast<void *>(&w));
    QCOMPARE(w.qt_metacast("QMainWindow"), static_cast<void *>(static_cast<QMainWindow *>(&w)));
    QVERIFY(!w.qt_metacast("NoSuchClass"));

    auto *layer = static_cast<Vek_ImageLayer *>(w.leftLayer);
    QCOMPARE(layer->qt_metacast("Vek_ImageLayer"), static_cast<void *>(layer));
    QCOMPARE(layer->qt_metacast("QGraphicsPixmapItem"),
             static_cast<void *>(static_cast<QGraphicsPixmapItem *>(layer)));
    QVERIFY(!layer->qt_metacast(nullptr));
}

void TestWindowShell::startsWithToolbarAndEmptyView()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.windowTitle(), QStringLiteral("Optical Flow Viewer"));
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QVERIFY(!w.menuBar()->isVisible());
    QVERIFY(!w.ui.dockWidget_FlowPanel->isVisible());
    QVERIFY(w.ui.mainToolBar->isVisible());
    QVERIFY(w.statusBar()->isVisible());
    QCOMPARE(w.ui.graphicsView->scene(), w.scene);
    QCOMPARE(w.scene->parent(), static_cast<QObject *>(w.ui.graphicsView));
    QCOMPARE(w.ui.graphicsView->dragMode(), QGraphicsView::ScrollHandDrag);
    QCOMPARE(w.ui.graphicsView->transformationAnchor(), QGraphicsView::AnchorUnderMouse);
    QVERIFY(w.acceptDrops());
    QVERIFY(!w.ui.graphicsView->acceptDrops());

    // Initial state of the members.
    QVERIFY(w.filePath.isEmpty() && w.dirPath.isEmpty() && w.dirFiles.isEmpty());
    QCOMPARE(w.browseStep, -1);
    QVERIFY(!w.browseByStep && !w.hasImage && !w.isFlow && !w.showIndividualDim && !w.keepCutoff);
    QCOMPARE(w.rows + w.cols + w.flowCutoff + w.dirIndex, 0);
    QVERIFY(w.viewImage.isNull());
    QVERIFY(!w.colorPlane && !w.flowU && !w.clampedV);
}

void TestWindowShell::cutoffControlsStartAtZero()
{
    Vek_Zandor w;
    const QSpinBox *spin = w.ui.spinBox_FlowCutoffVal;
    QCOMPARE(spin->value(), 0);
    QCOMPARE(spin->minimum(), 0);
    QCOMPARE(spin->maximum(), 1000);
    QCOMPARE(spin->singleStep(), 2);
    const QSlider *slider = w.ui.verticalSlider_FlowCutoffVal;
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->singleStep(), 4);
    QCOMPARE(slider->pageStep(), 8);
    QCOMPARE(slider->orientation(), Qt::Vertical);
    QVERIFY(w.ui.imgSizeEditShow->isReadOnly());
    QCOMPARE(w.ui.checkBox_ShowIndividualDim->text(), QStringLiteral("Show Channels"));
    QCOMPARE(w.ui.groupBox->title(), QStringLiteral("Flow Max Value"));
    QCOMPARE(w.ui.dockWidget_FlowPanel->windowTitle(), QStringLiteral("Control Panel"));
}

void TestWindowShell::toolbarHoldsEveryShortcut_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("tip");
    QTest::newRow("open") << "actionOpen"
                          << "Ctrl+O"
                          << "Open file";
    QTest::newRow("save") << "actionSave_As"
                          << "Ctrl+S"
                          << "Save the color show as file";
    QTest::newRow("fit") << "actionZoom_Fit"
                         << "/"
                         << "Zoom fit to window";
    QTest::newRow("original") << "actionZoom_Original"
                              << "!"
                              << "Zoom to original size";
    QTest::newRow("in") << "actionZoom_In"
                        << "+"
                        << "Zoom in";
    QTest::newRow("out") << "actionZoom_Out"
                         << "-"
                         << "Zoom out";
    QTest::newRow("exit") << "actionExit"
                          << "Esc"
                          << "Exit";
}

void TestWindowShell::toolbarHoldsEveryShortcut()
{
    QFETCH(QString, action);
    QFETCH(QString, shortcut);
    QFETCH(QString, tip);
    Vek_Zandor w;
    auto *a = w.findChild<QAction *>(action);
    QVERIFY(a);
    QCOMPARE(a->shortcut(), QKeySequence(shortcut));
    QVERIFY(w.ui.mainToolBar->actions().contains(a));
    QCOMPARE(a->toolTip(), tip);
    QVERIFY(!a->icon().isNull());
    if (action != QLatin1String("actionExit"))
        QCOMPARE(a->statusTip(), tip);
}

void TestWindowShell::toolbarAndMenusInOrder()
{
    Vek_Zandor w;
    QStringList toolbar;
    const QList<QAction *> actions = w.ui.mainToolBar->actions();
    for (const QAction *a : actions)
        toolbar << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    QCOMPARE(toolbar, QStringList({"actionOpen", "actionSave_As", "|", "actionZoom_Fit",
                                   "actionZoom_Original", "actionZoom_In", "actionZoom_Out", "|",
                                   "actionAbout", "actionExit"}));

    QStringList bar;
    const QList<QAction *> menus = w.menuBar()->actions();
    for (const QAction *a : menus)
        bar << a->menu()->objectName();
    QCOMPARE(bar, QStringList({"menuFile", "menuView", "menuSettings_2", "menuHelp"}));
    QCOMPARE(w.ui.menuSettings_2->actions(),
             QList<QAction *>{w.ui.actionSetMode_Viewing_Optical_Flow});
    QVERIFY(w.ui.actionSetMode_Viewing_Optical_Flow->isCheckable());
    QVERIFY(!w.ui.actionSetMode_Viewing_Optical_Flow->isChecked());
}

void TestWindowShell::escapeClosesTheWindow()
{
    Vek_Zandor w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Escape);
    QTRY_VERIFY(!w.isVisible());
}

void TestWindowShell::sceneHoldsTwoLayersAndTwoHiddenCaptions()
{
    Vek_Zandor w;
    const QList<QGraphicsItem *> items = w.scene->items(Qt::AscendingOrder);
    QCOMPARE(items.size(), 4);
    QVERIFY(items.contains(w.leftLayer) && items.contains(w.rightLayer));
    QVERIFY(w.leftLayer->pixmap().isNull() && w.rightLayer->pixmap().isNull());
    QVERIFY(w.leftLayer->acceptHoverEvents());
    for (QGraphicsSimpleTextItem *label : {w.leftLabel, w.rightLabel}) {
        QVERIFY(!label->isVisible());
        QCOMPARE(label->font().pointSize(), 12);
        QCOMPARE(label->font().weight(), QFont::Bold);
        QVERIFY(!(label->flags() & QGraphicsItem::ItemIsMovable));
    }
}

void TestWindowShell::aboutBoxNamesTheViewer()
{
    Vek_Zandor w;
    ModalCloser closer;
    w.ui.actionAbout->trigger();
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.titles.first(), QStringLiteral("About this tool"));
    const QStringList paragraphs = closer.texts.first().split(QStringLiteral("\n\n"));
    QCOMPARE(paragraphs.size(), 3);
    QCOMPARE(paragraphs.first(), QStringLiteral("Optical Flow (*.flo) Viewer v1.0"));
    QVERIFY(!closer.texts.first().endsWith(QLatin1Char('\n')));
}

void TestWindowShell::modeSlotShowsAndHidesThePanel()
{
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SetModeAsViewingFlow(true);
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisible());
    w.SetModeAsViewingFlow(true);
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisible());
    w.SetModeAsViewingFlow(false);
    QVERIFY(!w.ui.dockWidget_FlowPanel->isVisible());

    // The action drives the same slot through its toggled signal.
    w.ui.actionSetMode_Viewing_Optical_Flow->setChecked(true);
    QVERIFY(w.ui.dockWidget_FlowPanel->isVisible());
    w.ui.actionSetMode_Viewing_Optical_Flow->setChecked(false);
    QVERIFY(!w.ui.dockWidget_FlowPanel->isVisible());
}

void TestWindowShell::destructionReleasesPlanes()
{
    auto *w = new Vek_Zandor;
    w->rows = 3;
    w->cols = 4;
    w->AllocatePlanes();
    w->hasImage = true;
    QVERIFY(w->colorPlane && w->clampedV);
    w->ReleasePlanes();
    QVERIFY(!w->colorPlane && !w->dimYPlane && !w->flowU && !w->clampedV);
    QVERIFY(!w->hasImage && !w->isFlow);
    QCOMPARE(w->rows, 3);
    w->ReleasePlanes();
    w->AllocatePlanes();
    delete w; // ASan reports it if the destructor leaks the planes
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestWindowShell)
#include "test_window_shell.moc"
