#ifndef WARP_JOB_H
#define WARP_JOB_H

#include "frame_check.h"
#include "row_bands.h"

#include <QList>
#include <QString>
#include <QStringList>

class FloReadBuffer;
struct FlowWarpOptions;

// One flow with its frames, and where its pictures go.
struct WarpJob {
    QString flow;
    QString frame1;
    QString frame2;
    QString backward;  // empty for none
    QString warped;    // the pictures to write; empty for none
    QString error;
    QString occlusion;
    QString problem;   // why it cannot be checked, known before reading it
};

// A row of the figures: one flow, or the pool of all.
struct WarpRecord {
    QString flow;
    int width = 0;
    int height = 0;
    PhotometricSums sums;
};

struct WarpOutcome {
    bool checked = false;
    WarpRecord record;
    QStringList errors; // whole messages, each naming the file
};

// The jobs of the options: the one triple, or every flow of the folder with the frames (and
// backward flow) found for it. False, with error set, when the folder holds no flow at all.
bool warpJobs(const FlowWarpOptions &o, QList<WarpJob> *jobs, QStringList *folders,
              QString *error);

// Reads the flow and its frames through buffer, checks them, and writes the pictures the job
// names. Never throws.
WarpOutcome runWarpJob(const WarpJob &job, FloReadBuffer &buffer, const BandPlan &plan);

#endif // WARP_JOB_H
