#ifndef BLEND_FRAMES_H
#define BLEND_FRAMES_H

#include <QString>

class PictureFolders;

// The frame a flow is blended over: the picture in framesDir at the flow's relative name
// (its folder below the folder the flows were read from, or none) with the flow's base name
// and any suffix of a picture format Qt reads. No fallback by position: a name without a
// frame, or with several, is an error, returned empty with the reason in *error. The folders'
// names are read through folders.
QString findBlendFrame(PictureFolders &folders, const QString &framesDir,
                       const QString &relativeName, QString *error);

#endif // BLEND_FRAMES_H
