#ifndef FLOWWARP_OPTIONS_H
#define FLOWWARP_OPTIONS_H

#include "frame_triples.h"

#include <QString>

struct FlowWarpOptions {
    // One triple: two frames and the flow between them, with the outputs named.
    QString frame1;
    QString frame2;
    QString flow; // or, with folders, the folder of flows
    QString warped;
    QString error;
    QString backward;
    QString occlusion;

    // The folder form: every flow of flow (a folder) with its frames from framesDir.
    bool folders = false;
    QString framesDir;
    QString outDir;      // empty: beside each flow
    QString backwardDir; // empty: no consistency check
    BackwardBy backwardBy = BackwardBy::Frame;
    bool recursive = false;

    QString csv;  // file, "-" for standard output, or empty
    QString json; // likewise
    int threads = 1;
    bool quiet = false;

    // The table goes to standard output unless a CSV or JSON document does.
    bool printsTable() const { return csv != QLatin1String("-") && json != QLatin1String("-"); }
};

struct FlowWarpCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    FlowWarpOptions options;
    QString text; // the help or version text, or what is wrong with the command line
};

// Parses the arguments (program name first) and checks that they make one sensible run.
// defaultThreads is what -j means when not given.
FlowWarpCommandLine parseFlowWarpCommandLine(const QStringList &arguments, int defaultThreads);

#endif // FLOWWARP_OPTIONS_H
