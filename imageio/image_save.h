#ifndef IMAGE_SAVE_H
#define IMAGE_SAVE_H

#include <QImage>
#include <QString>

// Writes image to fileName in the format of its suffix, through a temporary file beside it that
// is renamed into place only when the whole image was written: a failed save never damages a
// file already there. On failure returns false with the reason in *error.
bool saveImageAtomically(const QImage &image, const QString &fileName, QString *error);

#endif // IMAGE_SAVE_H
