#include "flow_tools.h"
#include "modal_closer.h"
#include "scale_control.h"
#include "tool_host.h"
#include "vek_imagelayer.h"
#include "vek_zandor.h"
#include "window_test_main.h"

#include <QAction>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

class TestWindowShell : public QObject
{
    Q_OBJECT

private slots:
    void slotTableIsTheContract();
    void startsWithToolbarAndEmptyView();
    void toolbarHoldsEveryShortcut_data();
    void toolbarHoldsEveryShortcut();
    void escapeClosesTheWindow();
    void sceneHoldsTwoLayersAndTwoHiddenCaptions();
    void aboutBoxNamesTheViewer();
    void modeSlotShowsAndHidesThePanel();
    void destructionReleasesPlanes();
    void roomForNewControls();
    void panelGroupsReachableInALowWindow();
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

// New controls go to a second toolbar and below the Control Panel's own widgets, never into
// the form: each place stays out of sight, and out of the window's context menu, while empty.
void TestWindowShell::roomForNewControls()
{
    const auto menuEntries = [](QMainWindow &window) {
        QStringList entries;
        const std::unique_ptr<QMenu> menu(window.createPopupMenu());
        for (const QAction *a : menu->actions())
            if (a->isVisible() && !a->isSeparator())
                entries << a->text();
        return entries;
    };

    // The places alone, on a window whose tools have not filled them.
    QMainWindow plain;
    auto *panel = new QWidget;
    auto *panelLayout = new QVBoxLayout(panel);
    plain.setCentralWidget(panel);
    ToolHost host(&plain, panelLayout);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QToolBar *empty = host.toolBar();
    QCOMPARE(empty->windowTitle(), QStringLiteral("Flow Tools"));
    QVERIFY(!empty->isVisible());
    QVERIFY(!menuEntries(plain).contains("Flow Tools"));
    QAction *probe = empty->addAction(QStringLiteral("Probe"));
    QTRY_VERIFY(empty->isVisible());
    QVERIFY(menuEntries(plain).contains("Flow Tools"));
    empty->removeAction(probe);
    QVERIFY(!empty->isVisible());
    delete probe;
    auto *emptyArea = plain.findChild<QScrollArea *>(QStringLiteral("panelGroupArea"));
    QVERIFY(emptyArea && !emptyArea->isVisible());

    // The window's, holding its tools: after the main toolbar, and below the panel's widgets.
    Vek_Zandor w;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QToolBar *tools = w.findChild<QToolBar *>(QStringLiteral("flowToolsBar"));
    QVERIFY(tools);
    QCOMPARE(tools, w.toolHost()->toolBar());
    QCOMPARE(w.toolBarArea(tools), Qt::TopToolBarArea);
    QTRY_VERIFY(tools->isVisible());
    QVERIFY(tools->geometry().left() >= w.ui.mainToolBar->geometry().right());
    QCOMPARE(menuEntries(w), QStringList({"Control Panel", "Main Toolbar", "Flow Tools"}));
    for (QAction *a : tools->actions())
        QVERIFY(!w.ui.mainToolBar->actions().contains(a));
    QCOMPARE(w.ui.mainToolBar->actions().size(), 10);

    QVBoxLayout *own = w.ui.verticalLayout_4;
    QCOMPARE(own->indexOf(w.ui.imgSizeEditShow), 3);
    auto *group = new QGroupBox(QStringLiteral("Probe group"));
    w.toolHost()->addPanelGroup(group);
    w.SetModeAsViewingFlow(true);
    QTRY_VERIFY(group->isVisible());
    auto *area = w.findChild<QScrollArea *>(QStringLiteral("panelGroupArea"));
    QVERIFY(area && area->isAncestorOf(group));
    QCOMPARE(own->indexOf(area), 4);
    QCOMPARE(own->indexOf(w.ui.checkBox_ShowIndividualDim), 0);
    QCOMPARE(own->indexOf(w.ui.groupBox), 2);
    QCOMPARE(own->indexOf(w.ui.imgSizeEditShow), 3);
    QVERIFY(group->mapTo(&w, QPoint()).y() > w.ui.imgSizeEditShow->mapTo(&w, QPoint()).y());
}

// In a window 700 pixels high the groups scroll in their own area, which keeps room to show
// the Scale group from its title.
void TestWindowShell::panelGroupsReachableInALowWindow()
{
    Vek_Zandor w;
    w.showNormal();
    w.resize(1000, 700);
    w.SetModeAsViewingFlow(true);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *area = w.findChild<QScrollArea *>(QStringLiteral("panelGroupArea"));
    QGroupBox *scale = w.flowTools()->scale()->group();
    QVERIFY(area && area->isAncestorOf(scale));
    QTRY_VERIFY(area->viewport()->height() >= 120);
    w.toolHost()->revealPanelGroup(scale);
    const int top = scale->mapTo(area->viewport(), QPoint()).y();
    QVERIFY(top >= 0 && top < area->viewport()->height());
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestWindowShell)
#include "test_window_shell.moc"
