#ifndef PLANE_IMAGE_H
#define PLANE_IMAGE_H

#include "planes.h"

#include <QImage>

// The plane as an RGB image to be saved, sharing its bytes: valid only while the plane lives.
// Its resolution is fixed, never the screen's, so that the viewer's Save As and the
// command-line tools write the same file for the same picture on any machine.
QImage planeImage(const PixelPlane &plane);

#endif // PLANE_IMAGE_H
