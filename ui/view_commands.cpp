#include "vek_zandor.h"

#include "image_save.h"
#include "save_name.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace {

// 1.5 times this is exactly 1.0, so zooming in and out again returns to the same scale.
constexpr double kZoomInFactor = 1.5;
constexpr double kZoomOutFactor = 0.6666666666666666;

} // namespace

void Vek_Zandor::ZoomFit()
{
    ui.graphicsView->fitInView(scene->sceneRect(), Qt::KeepAspectRatio);
}

void Vek_Zandor::ZoomOriginal()
{
    ui.graphicsView->resetTransform();
}

void Vek_Zandor::ZoomIn()
{
    ui.graphicsView->scale(kZoomInFactor, kZoomInFactor);
}

void Vek_Zandor::ZoomOut()
{
    ui.graphicsView->scale(kZoomOutFactor, kZoomOutFactor);
}

void Vek_Zandor::OpenFileAction()
{
    const QString filter = tr("All supported files (*.flo *.png *.bmp *.jpg *.ppm *.pgm *.xpm);; "
                              "Optical flow files (*.flo);; All files (*.*)");
    const QString caption = tr("Open Image File");
    filePath = QFileDialog::getOpenFileName(this, caption, filePath, filter);
    if (!filePath.isEmpty()) {
        browseByStep = false;
        LoadCurrentFile();
    }
}

void Vek_Zandor::SaveFileAction()
{
    // Nothing to save before the first load or after a failed one: the planes are gone.
    if (!hasImage)
        return;

    const QString filter = tr("Images (*.png *.bmp *.jpg *.ppm)");
    const QString proposal = proposedSaveName(filePath, tr("_colorview.png"));
    const QString caption = tr("Save Colored Flow As File");
    const QString fileName = QFileDialog::getSaveFileName(this, caption, proposal, filter);
    if (fileName.isEmpty())
        return;

    const QImage image(colorPlane.data(), cols, rows, colorPlane.bytesPerLine(),
                       QImage::Format_RGB888);
    QString error;
    if (!saveImageAtomically(image, fileName, &error)) {
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
    if (!path.isEmpty()) {
        browseByStep = false;
        filePath = path;
        LoadCurrentFile();
    }
}
