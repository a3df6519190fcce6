#ifndef SEQUENCE_VIDEO_H
#define SEQUENCE_VIDEO_H

// A sequence of flows as one video of their colour views: one scale for all frames (or each
// its own), the frames drawn on several threads and encoded in order, written atomically.

#include "flow_format.h"
#include "sequence_scale.h"

#include <QImage>
#include <QString>
#include <QStringList>

struct SequenceVideoJob {
    QStringList inputs; // in the video's order
    FlowRule rule = FlowRule::ByContent;
    QString output; // .mp4 or .webm
    int fps = 10;
    SequenceScaleKind scale = SequenceScaleKind::OpeningCutoff;
    int cutoff = -1;       // 0 or more: every frame drawn at this cutoff
    double percentile = 0; // for SequenceScaleKind::Percentile
    bool perFrame = false; // each frame at its own scale
    bool legend = false;
    bool arrows = false;
    int arrowStep = 32;
    QStringList frames; // the picture under each input, or empty for no blending
    int opacity = 50;
    int threads = 1;
};

// Why a video was not written: the input or frame at fault (empty when it is the video
// itself) and what happened.
struct SequenceFailure {
    QString file;
    QString message;
};

// Hears how the work goes, on the calling thread.
class SequenceProgress
{
public:
    virtual ~SequenceProgress() = default;
    // A pass over all inputs begins: "Scale" (looking for the shared scale) or "Video".
    virtual void pass(const QString &name, int total) = 0;
    // Input index (from 0) is done in the current pass. Returning false stops the export.
    virtual bool done(int index, const QString &input) = 0;
};

// Writes the job's video. Returns false when progress stopped it, and nothing is at the
// output's name then; throws SequenceFailure when it cannot be written.
bool writeSequenceVideo(const SequenceVideoJob &job, SequenceProgress &progress);

#endif // SEQUENCE_VIDEO_H
