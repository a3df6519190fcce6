#ifndef FRAME_INPUT_H
#define FRAME_INPUT_H

#include "frame_check.h"

#include <QImage>
#include <QString>

// A frame as the check takes it: the picture at path decoded by Qt and converted to RGB888, so
// that a grey frame has three equal channels. A null image, with the reason in *error, when
// the file is not a regular file, not a picture Qt reads, or larger than 16384 pixels a side.
QImage readFrame(const QString &path, QString *error);

// The image's bytes for the core routines; valid while the image lives unchanged.
RgbFrame frameView(const QImage &rgb888);

// The 8-bit grey occlusion picture of width x height from the check's bytes, a copy.
QImage occlusionImage(const std::uint8_t *levels, int width, int height);

#endif // FRAME_INPUT_H
