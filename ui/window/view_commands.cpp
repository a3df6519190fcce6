#include "vek_zandor.h"

#include "picture_save.h"
#include "plane_image.h"
#include "save_name.h"
#include "viewer_document.h"
#include "window_memory.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

void Vek_Zandor::ZoomFit()
{
    ui.graphicsView->zoomFit();
}

void Vek_Zandor::ZoomOriginal()
{
    ui.graphicsView->zoomOriginal();
}

void Vek_Zandor::ZoomIn()
{
    ui.graphicsView->zoomIn();
}

void Vek_Zandor::ZoomOut()
{
    ui.graphicsView->zoomOut();
}

void Vek_Zandor::OpenFileAction()
{
    const QString filter =
        tr("All supported files (*.flo *.flo5 *.pfm *.npy *.png *.bmp *.jpg *.ppm *.pgm *.xpm);; "
           "Optical flow files (*.flo *.flo5 *.pfm *.npy *.png);; All files (*.*)");
    const QString caption = tr("Open Image File");
    // With no file current, the dialog starts where it was last used, in this run or before.
    const QString start = filePath.isEmpty() ? memory_->openFolder() : filePath;
    const QString chosen = QFileDialog::getOpenFileName(this, caption, start, filter);
    if (!chosen.isEmpty())
        memory_->rememberOpenFolder(chosen);
    document_->open(chosen);
}

void Vek_Zandor::SaveFileAction()
{
    // Nothing to save before the first load or after a failed one: the planes are gone.
    if (!hasImage)
        return;

    const QString filter = tr("Images (*.png *.bmp *.jpg *.ppm)");
    const QString proposal = proposedSaveName(filePath, tr("_colorview.png"));
    const QString caption = tr("Save Colored Flow As File");
    const QString typed = QFileDialog::getSaveFileName(this, caption, proposal, filter);
    if (typed.isEmpty())
        return;
    const QString fileName = completedSaveName(this, caption, typed, tr(".png"));
    if (fileName.isEmpty())
        return;

    QString error;
    if (!savePicture(planeImage(colorPlane), fileName, &error)) {
        QMessageBox::warning(this, tr("Save File Error"),
                             tr("Cann't save file ") + fileName + tr(" !") + QLatin1Char('\n') +
                                 error,
                             QMessageBox::Ok, QMessageBox::NoButton);
    }
}

void Vek_Zandor::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        event->acceptProposedAction();
}

void Vek_Zandor::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty())
        return;
    // Opened once the drop has returned: a box about an unreadable file must not keep the
    // application the file came from waiting for the drop to end.
    event->acceptProposedAction();
    document_->openLater(path);
}
