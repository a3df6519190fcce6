#include "vek_zandor.h"

#include "arrow_overlay.h"
#include "browsing_tools.h"
#include "command_line.h"
#include "compare_mode.h"
#include "frame_check_mode.h"
#include "flow_saver.h"
#include "flow_tools.h"
#include "frame_blend.h"
#include "legend_overlay.h"
#include "playback.h"
#include "reading_ahead.h"
#include "tool_context.h"
#include "tool_host.h"
#include "vek_imagelayer.h"
#include "video_export.h"
#include "viewer_document.h"
#include "window_memory.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QMessageBox>

namespace {

void styleLabel(QGraphicsSimpleTextItem *label, const QString &family)
{
    label->setPen(QPen(Qt::black));
    label->setBrush(QBrush(Qt::black, Qt::SolidPattern));
    label->setFont(QFont(family, 12, QFont::Bold, false));
    label->setFlag(QGraphicsItem::ItemIsMovable, false);
    label->setVisible(false);
}

} // namespace

// The icons are compiled into this static library; referencing their initialiser keeps the
// linker from dropping them from the executable.
static void initResources()
{
    Q_INIT_RESOURCE(zandor);
}

Vek_Zandor::Vek_Zandor(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    initResources();
    ui.setupUi(this);

    connect(ui.actionOpen, &QAction::triggered, this, &Vek_Zandor::OpenFileAction);
    connect(ui.actionSave_As, &QAction::triggered, this, &Vek_Zandor::SaveFileAction);
    connect(ui.actionZoom_Fit, &QAction::triggered, this, &Vek_Zandor::ZoomFit);
    connect(ui.actionZoom_Original, &QAction::triggered, this, &Vek_Zandor::ZoomOriginal);
    connect(ui.actionZoom_In, &QAction::triggered, this, &Vek_Zandor::ZoomIn);
    connect(ui.actionZoom_Out, &QAction::triggered, this, &Vek_Zandor::ZoomOut);
    connect(ui.actionAbout, &QAction::triggered, this, &Vek_Zandor::About);
    connect(ui.actionSetMode_Viewing_Optical_Flow, &QAction::toggled, this,
            &Vek_Zandor::SetModeAsViewingFlow);
    connect(ui.checkBox_ShowIndividualDim, &QCheckBox::toggled, this,
            &Vek_Zandor::SetShowIndividualDim);
    connect(ui.verticalSlider_FlowCutoffVal, &QSlider::valueChanged, this,
            &Vek_Zandor::SetFlowCutoff);
    connect(ui.spinBox_FlowCutoffVal, &QSpinBox::valueChanged, this, &Vek_Zandor::SetFlowCutoff);
    connect(ui.checkBox_KeepMaxValue, &QCheckBox::toggled, this,
            &Vek_Zandor::SetKeepFlowCutoffValue);

    setWindowTitle(QStringLiteral("Optical Flow Viewer"));

    menuBar()->setVisible(false);
    ui.dockWidget_FlowPanel->setVisible(false);

    scene = new QGraphicsScene(ui.graphicsView);
    scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    ui.graphicsView->setScene(scene);
    ui.graphicsView->setCacheMode(QGraphicsView::CacheBackground);
    ui.graphicsView->setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    ui.graphicsView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    ui.graphicsView->setDragMode(QGraphicsView::ScrollHandDrag);

    // Keeps the pointer an arrow everywhere, also while the view pans with the hand drag.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));

    leftLayer = new Vek_ImageLayer(this);
    rightLayer = new Vek_ImageLayer(this);

    leftLabel = new QGraphicsSimpleTextItem(tr("Input"));
    rightLabel = new QGraphicsSimpleTextItem(tr("Filtered"));
    styleLabel(leftLabel, tr("Verdana"));
    styleLabel(rightLabel, tr("Verdana"));

    scene->addItem(leftLayer);
    scene->addItem(rightLayer);
    scene->addItem(leftLabel);
    scene->addItem(rightLabel);

    // Drags over the picture must reach the window's handlers, not the view's.
    ui.graphicsView->setAcceptDrops(false);
    setAcceptDrops(true);

    document_ = new ViewerDocument(*this);
    readingAhead_ = new ReadingAhead(document_);
    document_->setPictureSource(readingAhead_);
    toolHost_ = new ToolHost(this, ui.verticalLayout_4);
    const ToolContext tools{document_, ui.graphicsView, toolHost_, this};
    new FlowSaver(tools);
    memory_ = new WindowMemory(this, ui.checkBox_ShowIndividualDim, ui.dockWidget_FlowPanel,
                               ui.actionSetMode_Viewing_Optical_Flow);
    Playback *playback = addBrowsingTools(tools, *memory_);
    flowTools_ = new FlowTools(tools);
    toolHost_->addPanelGroup(playback->group());
    new VideoExport(tools, flowTools_->legend()->action(), flowTools_->arrows()->action(),
                    flowTools_->blend(), playback);
    auto *compare = new CompareMode(tools);
    auto *check = new FrameCheckMode(tools);
    // One mode of panes at a time: entering either leaves the other.
    connect(compare->action(), &QAction::toggled, check, [check](bool on) {
        if (on)
            check->makeWay();
    });
    connect(check->action(), &QAction::toggled, compare, [compare](bool on) {
        if (on)
            compare->leave();
    });
    updateActions();

    openCommandLine(*document_, this);

    memory_->showWindow();
}

Vek_Zandor::~Vek_Zandor()
{
    ReleasePlanes();
}

void Vek_Zandor::About()
{
    QMessageBox::about(
        this, tr("About this tool"),
        tr("Optical Flow (*.flo) Viewer v1.0\n\n"
           "User interface developed with the Qt toolkit by the Optical Flow Viewer "
           "developers.\n\n"
           "With thanks to the authors of the published code for the .flo flow file format "
           "and the flow colour coding, on which this viewer's file reading and colour "
           "coding are based."));
}

void Vek_Zandor::SetModeAsViewingFlow(bool on)
{
    ui.dockWidget_FlowPanel->setVisible(on);
}

void Vek_Zandor::LoadCurrentFile()
{
    document_->load();
}

void Vek_Zandor::AllocatePlanes()
{
    document_->allocatePlanes();
}

void Vek_Zandor::ReleasePlanes()
{
    document_->releasePlanes();
}

void Vek_Zandor::RefreshScene(bool showDims)
{
    document_->refreshScene(showDims);
}

void Vek_Zandor::SetFlowCutoff(int value)
{
    document_->setCutoff(value);
}

void Vek_Zandor::SetShowIndividualDim(bool on)
{
    document_->setShowChannels(on);
}

void Vek_Zandor::SetKeepFlowCutoffValue(bool on)
{
    document_->setKeep(on);
}

void Vek_Zandor::updateActions()
{
    ui.actionSave_As->setEnabled(hasImage);
    const bool shown = !leftLayer->pixmap().isNull();
    for (QAction *zoom :
         {ui.actionZoom_Fit, ui.actionZoom_Original, ui.actionZoom_In, ui.actionZoom_Out})
        zoom->setEnabled(shown);
    toolHost_->updateActions();
}
