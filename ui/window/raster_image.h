#ifndef RASTER_IMAGE_H
#define RASTER_IMAGE_H

#include "planes.h"

#include <QImage>
#include <QString>

// The picture at path as Qt's image reader decodes it, or a null image when it cannot: not a
// regular file, not a picture Qt reads, or larger than the viewer opens.
QImage readRasterImage(const QString &path);

// Red, green and blue of every pixel of image, as QImage::pixel gives them, into plane, which
// has the image's size.
void copyRgb(const QImage &image, const PixelPlane &plane);

#endif // RASTER_IMAGE_H
