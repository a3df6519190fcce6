#ifndef FLO2PNG_BATCH_H
#define FLO2PNG_BATCH_H

// flo2png's work once its command line is understood, apart from main() so that the benchmark
// can run it in process.

#include "conversion_batch.h"
#include "flo2png_options.h"

#include <QString>
#include <QStringList>

class FloReadBuffer;

// The files one input gives: its colour view, and with --channels the two grey views.
struct Flo2PngJob {
    QString input;
    QString colorView;
    QString dimX;
    QString dimY;
    QString relativeName; // for --blend: the input's name below the folder given for it
};

using Flo2PngOutcome = ConversionOutcome;

// Reads job.input and writes its pictures as options ask, reading through buffer. Touches
// nothing shared: any number of threads may convert at once, each with its own buffer.
Flo2PngOutcome convertFlow(const Flo2PngJob &job, const Flo2PngOptions &options,
                           FloReadBuffer &buffer);

// The whole run: the outputs named and checked for clashes, the folders made, the legend, then
// every input on options.threads threads, its messages and the summary in input order on
// standard error. Returns the exit status.
int runFlo2Png(const Flo2PngOptions &options);

#endif // FLO2PNG_BATCH_H
