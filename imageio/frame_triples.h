#ifndef FRAME_TRIPLES_H
#define FRAME_TRIPLES_H

#include <QHash>
#include <QString>
#include <QStringList>

// How a backward flow is found in its folder: by frame 2's base name, for a flow into the past
// named by the frame it starts from, or by the forward flow's, for a network that writes both
// directions of a pair under one name.
enum class BackwardBy { Frame, Flow };

// The frames (and backward flow) a flow is checked with, or why it cannot be.
struct FrameTriple {
    QString frame1;
    QString frame2;
    QString backward; // empty when none was asked for
    QString problem;  // a whole sentence naming what is missing; empty when all was found
};

// The one rule by which flowwarp's folder form and the viewer's stepping find frames: a flow
// of base name B (its file name without the last suffix) is checked with frame 1, the image
// of base name B in the frames folder, and frame 2, the next image of that folder in name
// order. No fallback by position: a missing frame is a problem, never a neighbour's frame.
// Each folder is listed once per finder; a finder is for one thread.
class FrameFinder
{
public:
    // The triple of flowPath with its frames in framesDir and, unless backwardDir is empty, its
    // backward flow in backwardDir.
    FrameTriple find(const QString &flowPath, const QString &framesDir,
                     const QString &backwardDir, BackwardBy by);

    // The backward flow of flowPath, whose frame 2 is frame2, in backwardDir; empty, with the
    // reason in *problem, when there is none.
    QString backwardFlow(const QString &flowPath, const QString &frame2,
                         const QString &backwardDir, BackwardBy by, QString *problem);
    // The image after frame1 in name order in its folder, or empty when it is the last.
    QString nextFrame(const QString &frame1);

private:
    // The images, or the flow files, of dir in name order.
    const QStringList &images(const QString &dir);
    const QStringList &flows(const QString &dir);

    QHash<QString, QStringList> images_;
    QHash<QString, QStringList> flows_;
};

// The base name a file is paired by: its name without the last suffix.
QString pairingName(const QString &path);

#endif // FRAME_TRIPLES_H
