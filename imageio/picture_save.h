#ifndef PICTURE_SAVE_H
#define PICTURE_SAVE_H

#include "png_export.h"

#include <QImage>
#include <QString>

// Saves a picture the way the viewer's Save As, flo2png and floweval all do, so that one
// picture gives one file whichever program writes it. A name ending in .png (in any case) with
// an RGB888 image goes through flowcore's PNG encoder at compression, recording the image's
// resolution; any other format, or an image the encoder does not take, through Qt's writer of
// the suffix's format. Either way the bytes go through QSaveFile: the file takes its name only
// once complete, a link at the name is followed and kept, and a file replaced keeps its
// permissions. On failure returns false with the reason in *error.
bool savePicture(const QImage &image, const QString &fileName, QString *error,
                 int compression = kPngDefaultCompression);

#endif // PICTURE_SAVE_H
