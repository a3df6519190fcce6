#ifndef FLOWCONVERT_OPTIONS_H
#define FLOWCONVERT_OPTIONS_H

#include "flow_format.h"

#include <QString>
#include <QStringList>

struct FlowConvertJob {
    QString input;
    QString output;
    FlowFormat format;
};

struct FlowConvertCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    QList<FlowConvertJob> jobs;
    QString outDir;      // to be made before writing; empty when the outputs go beside the inputs
    QStringList folders; // every folder the outputs go to
    bool quiet = false;
    int threads = 1; // inputs converted at once
    QString text;    // the help or version text, or what is wrong with the command line
};

// Parses the arguments (program name first) into the conversions of one run: "IN OUT", or
// "-t FORMAT [-d DIR] IN...". Refuses a run that would write over one of its inputs, or two
// outputs to one name, before anything is written. -j defaults to defaultThreads.
FlowConvertCommandLine parseFlowConvertCommandLine(const QStringList &arguments,
                                                   int defaultThreads = 1);

#endif // FLOWCONVERT_OPTIONS_H
