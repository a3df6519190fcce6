#include "vek_zandor.h"

#include "scene_panes.h"
#include "viewer_document.h"

#include <QStatusBar>

void Vek_Zandor::ShowPixelInfo(int x, int y)
{
    // After a failed load the layers still show the old pixmaps while the planes are gone, and
    // the pixmap's border line lies one past the last pixel: read nothing then.
    if (!hasImage || x < 0 || y < 0 || x >= cols || y >= rows) {
        statusBar()->clearMessage();
        document_->tellPointer(std::nullopt);
        return;
    }
    document_->tellPointer(QPoint(x, y));
    if (ScenePanes *panes = document_->scenePanes()) {
        const QString own = panes->readout(x, y);
        if (!own.isNull()) {
            statusBar()->showMessage(own, 0);
            return;
        }
    }

    QString text;
    if (isFlow) {
        text = tr("(x:%1, y:%2)=[%3, %4]")
                   .arg(x)
                   .arg(y)
                   .arg(double(flowU[y][x]), 0, 'g', -1)
                   .arg(double(flowV[y][x]), 0, 'g', -1);
    } else {
        const std::uint8_t *pixel = colorPlane[y][x];
        text = tr("(x:%1, y:%2)=[%3, %4, %5]")
                   .arg(x)
                   .arg(y)
                   .arg(int(pixel[0]))
                   .arg(int(pixel[1]))
                   .arg(int(pixel[2]));
    }
    statusBar()->showMessage(text, 0);
}
