#ifndef COMPARE_FIXTURE_H
#define COMPARE_FIXTURE_H

#include "compare_mode.h"
#include "compare_panes.h"
#include "flow_format.h"
#include "vek_zandor.h"

#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QImage>
#include <QStatusBar>

// What the compare-mode tests share: the window's compare mode, the bytes on a pane, and the
// read-out of a pixel hovered on a layer.

inline CompareMode &compareOf(Vek_Zandor &w)
{
    return *w.findChild<CompareMode *>();
}

// The pane's pixels as RGB bytes, row after row without padding.
inline QByteArray paneBytes(const QGraphicsPixmapItem *layer)
{
    const QImage image = layer->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), 3 * image.width());
    return bytes;
}

inline QByteArray planeBytes(const PixelPlane &plane)
{
    return QByteArray(reinterpret_cast<const char *>(plane.data()), qsizetype(plane.byteCount()));
}

// The captions drawn over the panes, in the panes' order.
inline QStringList captionTexts(const CompareMode &compare)
{
    QStringList texts;
    for (const PaneCaptions::Caption &caption : compare.panes().captions().captions())
        texts.append(caption.text);
    return texts;
}

inline QString hoverText(Vek_Zandor &w, QGraphicsPixmapItem *layer, QPointF pos)
{
    QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
    event.setPos(pos);
    event.setScenePos(layer->mapToScene(pos));
    w.scene->sendEvent(layer, &event);
    return w.statusBar()->currentMessage();
}

inline FlowField readBack(const QString &path)
{
    return *readFlow(QFile::encodeName(path).constData(), FlowRule::FloByName);
}

#endif // COMPARE_FIXTURE_H
