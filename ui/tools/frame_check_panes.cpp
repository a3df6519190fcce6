#include "frame_check_panes.h"

#include "viewer_document.h"

#include <QGraphicsPixmapItem>
#include <QImage>

FrameCheckPanes::FrameCheckPanes(ViewerDocument &document, FlowView *view)
    : document_(document), set_(document, view)
{}

void FrameCheckPanes::show(const QImage &frame1, const QImage &warped, const QImage &error,
                           const QImage &outline, QSizeF viewport)
{
    QGraphicsPixmapItem *errorLayer = set_.third();
    if (!outline_) {
        outline_ = new QGraphicsPixmapItem(errorLayer);
        // The pointer belongs to the error pane beneath.
        outline_->setAcceptedMouseButtons(Qt::NoButton);
        outline_->setAcceptHoverEvents(false);
    }
    frame1_ = QPixmap::fromImage(frame1);
    warped_ = QPixmap::fromImage(warped);
    document_.leftLayer()->setPixmap(warpedFirst_ ? warped_ : frame1_);
    set_.second()->setPixmap(warped_);
    errorLayer->setPixmap(QPixmap::fromImage(error));
    outline_->setPixmap(outline.isNull() ? QPixmap() : QPixmap::fromImage(outline));
    outline_->setVisible(!outline.isNull());
    set_.show(texts(), viewport);
}

void FrameCheckPanes::showWarpedFirst(bool warped)
{
    warpedFirst_ = warped;
    if (!set_.isShown())
        return;
    document_.leftLayer()->setPixmap(warped ? warped_ : frame1_);
    set_.setTexts(texts());
}

QStringList FrameCheckPanes::texts() const
{
    return {warpedFirst_ ? tr("Frame 2 Warped (%1 X %2)") : tr("Frame 1 (%1 X %2)"),
            tr("Frame 2 Warped (%1 X %2)"), tr("Photometric Error (%1 X %2)")};
}

void FrameCheckPanes::hide()
{
    frame1_ = QPixmap();
    warped_ = QPixmap();
    set_.hide();
    if (outline_)
        outline_->setPixmap(QPixmap());
}
