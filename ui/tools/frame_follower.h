#ifndef FRAME_FOLLOWER_H
#define FRAME_FOLLOWER_H

#include <QString>

// The folder the frames of a blending come from, and the type of the frame first chosen.
struct FrameFolder {
    QString dir;
    QString suffix;
};

// The frame of the flow at flowPath, position flowIndex in its folder's listing, as blending
// follows the flows stepped through: the image of the flow's base name in the frame folder
// (of the frame's type first), or else the image at the flow's position in that folder's
// listing of the frame's type. Empty when there is neither.
QString frameForFlow(const QString &flowPath, int flowIndex, const FrameFolder &folder);

#endif // FRAME_FOLLOWER_H
