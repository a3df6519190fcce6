#include "frame_blend.h"

#include "raster_image.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kOpacityKey = QStringLiteral("blend/opacity");
constexpr int kDefaultOpacity = 50;

} // namespace

FrameBlend::FrameBlend(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document)
{
    QMainWindow *window = tools.window;
    action_ = new QAction(tr("Blend with Frame..."), window);
    action_->setObjectName(QStringLiteral("actionBlendWithFrame"));
    action_->setShortcut(QKeySequence(tr("Ctrl+B")));
    action_->setToolTip(tr("Draw the colour view over the frame the flow belongs to (Ctrl+B)"));
    action_->setStatusTip(action_->toolTip());
    tools.host->toolBar()->addAction(action_);
    window->addAction(action_);
    connect(action_, &QAction::triggered, this, &FrameBlend::chooseFrame);
    connect(document_, &ViewerDocument::pictureShown, this, &FrameBlend::pictureShown);
    connect(document_, &ViewerDocument::sceneRefreshed, this, &FrameBlend::sceneRefreshed);

    group_ = new QGroupBox(tr("Frame"));
    group_->setObjectName(QStringLiteral("blendGroup"));
    auto *layout = new QVBoxLayout(group_);
    frameName_ = new QLabel(group_);
    frameName_->setObjectName(QStringLiteral("blendFrame"));
    frameName_->setWordWrap(true);
    layout->addWidget(frameName_);
    auto *row = new QHBoxLayout;
    opacity_ = new QSlider(Qt::Horizontal, group_);
    opacity_->setObjectName(QStringLiteral("blendOpacity"));
    opacity_->setRange(0, 100);
    opacity_->setToolTip(tr("Opacity of the colour view over the frame"));
    percent_ = new QLabel(group_);
    percent_->setObjectName(QStringLiteral("blendPercent"));
    row->addWidget(opacity_);
    row->addWidget(percent_);
    layout->addLayout(row);
    stop_ = new QPushButton(tr("Stop Blending"), group_);
    stop_->setObjectName(QStringLiteral("blendStop"));
    layout->addWidget(stop_);
    group_->setVisible(false);

    const int remembered = QSettings().value(kOpacityKey, kDefaultOpacity).toInt();
    opacity_->setValue(remembered);
    percent_->setText(tr("%1 %").arg(opacity_->value()));
    connect(opacity_, &QSlider::valueChanged, this, &FrameBlend::setOpacity);
    connect(stop_, &QPushButton::clicked, this, &FrameBlend::stop);
    apply();
}

int FrameBlend::opacity() const
{
    return opacity_->value();
}

void FrameBlend::setOpacity(int percent)
{
    opacity_->setValue(percent);
    percent_->setText(tr("%1 %").arg(opacity_->value()));
    QSettings().setValue(kOpacityKey, opacity_->value());
    apply();
}

void FrameBlend::chooseFrame()
{
    const ViewerDocument &d = *document_;
    if (!d.showsFlow())
        return;
    const QString start = on_ ? folder_.dir : QFileInfo(d.path()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
        window_, tr("Blend with Frame"), start,
        tr("Images (*.png *.bmp *.jpg *.jpeg *.ppm *.pgm *.xpm);; All files (*.*)"));
    if (!path.isEmpty())
        blendWith(path);
}

bool FrameBlend::blendWith(const QString &path)
{
    const ViewerDocument &d = *document_;
    if (!d.showsFlow())
        return false;
    const QImage image = readRasterImage(path);
    QString problem;
    if (image.isNull())
        problem = tr("%1 cannot be read as an image.").arg(path);
    else if (image.size() != QSize(d.cols(), d.rows()))
        problem = tr("%1 is %2 x %3 pixels, the flow %4 x %5. The frame must have the flow's "
                     "size.")
                      .arg(path)
                      .arg(image.width())
                      .arg(image.height())
                      .arg(d.cols())
                      .arg(d.rows());
    if (!problem.isEmpty()) {
        stop();
        QMessageBox::warning(window_, tr("Blend with Frame"), problem, QMessageBox::Ok,
                             QMessageBox::NoButton);
        return false;
    }

    const QFileInfo info(path);
    on_ = true;
    folder_ = {info.absolutePath(), info.suffix()};
    framePath_ = path;
    flowPath_ = d.path();
    frame_ = QPixmap::fromImage(image);
    apply();
    return true;
}

void FrameBlend::stop()
{
    on_ = false;
    framePath_.clear();
    flowPath_.clear();
    frame_ = QPixmap();
    delete item_;
    item_ = nullptr;
    apply();
}

void FrameBlend::pictureShown()
{
    const ViewerDocument &d = *document_;
    if (!on_ || !d.isFlow())
        return;
    // A reload of the same flow keeps its frame.
    if (d.path() == flowPath_ && !framePath_.isEmpty())
        return;
    follow();
}

void FrameBlend::follow()
{
    const ViewerDocument &d = *document_;
    flowPath_ = d.path();
    framePath_.clear();
    frame_ = QPixmap();
    const QString name = QFileInfo(d.path()).fileName();
    const QString path = frameForFlow(d.path(), d.index(), folder_);
    if (path.isEmpty())
        return pause(tr("no frame for %1").arg(name));
    const QImage image = readRasterImage(path);
    if (image.isNull())
        return pause(tr("%1 cannot be read").arg(QFileInfo(path).fileName()));
    if (image.size() != QSize(d.cols(), d.rows()))
        return pause(tr("%1 is %2 x %3, the flow %4 x %5")
                         .arg(QFileInfo(path).fileName())
                         .arg(image.width())
                         .arg(image.height())
                         .arg(d.cols())
                         .arg(d.rows()));
    framePath_ = path;
    frame_ = QPixmap::fromImage(image);
}

void FrameBlend::pause(const QString &reason)
{
    window_->statusBar()->showMessage(tr("Blending paused: %1").arg(reason), 0);
    frameName_->setText(tr("Paused: %1").arg(reason));
}

void FrameBlend::sceneRefreshed()
{
    apply();
}

void FrameBlend::apply()
{
    const ViewerDocument &d = *document_;
    action_->setEnabled(d.showsFlow());
    group_->setVisible(on_);
    if (on_ && !framePath_.isEmpty())
        frameName_->setText(QFileInfo(framePath_).fileName());

    // Only the colour view blends; the channel views and raster images show as they are.
    const bool show = on_ && !framePath_.isEmpty() && d.showsFlow() && !d.showChannels();
    if (show) {
        if (!item_) {
            item_ = new QGraphicsPixmapItem;
            item_->setZValue(-1);
            item_->setAcceptedMouseButtons(Qt::NoButton);
            d.scene()->addItem(item_);
        }
        if (item_->pixmap().cacheKey() != frame_.cacheKey())
            item_->setPixmap(frame_);
        item_->setPos(0, 0);
        item_->setVisible(true);
        d.leftLayer()->setOpacity(opacity_->value() / 100.0);
    } else {
        if (item_)
            item_->setVisible(false);
        d.leftLayer()->setOpacity(1.0);
    }
}
