#ifndef FLO2PNG_OPTIONS_H
#define FLO2PNG_OPTIONS_H

#include "png_export.h"

#include <QString>
#include <QStringList>

struct Flo2PngOptions {
    QStringList inputs;
    QString output;  // one input's output file, or empty
    QString outDir;  // folder for all outputs, or empty: beside each input
    int cutoff = -1; // -1: the cutoff the viewer opens the flow at
    bool autoScale = false;
    double percentile = 0; // above 0: colour view by this percentile of the magnitudes
    bool legend = false;
    bool channels = false;
    QString wheelFile; // empty: no legend
    int wheelSize = 256;
    bool quiet = false;
    bool recursive = false; // folders stand for the flow files below them
    bool tree = false;      // outputs keep their inputs' folders below outDir
    int compression = kPngDefaultCompression;
    int threads = 1; // inputs converted at once
    bool arrows = false;
    int arrowStep = 32; // pixels a side of each arrow's cell
    QString blendDir;   // frames to blend the colour views over, or empty
    int opacity = 50;   // the colour view's share of a blend, in percent
    QStringList relativeNames; // each input's name below the folder given for it, for --blend
    QString video;             // one video of all inputs, or empty
    int fps = 10;
    bool perFrame = false; // each video frame at its own scale
};

struct Flo2PngCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    Flo2PngOptions options;
    QString text; // the help or version text, or what is wrong with the command line
};

// Parses the arguments (program name first) and checks that they make one sensible run; -j
// defaults to defaultThreads.
Flo2PngCommandLine parseFlo2PngCommandLine(const QStringList &arguments, int defaultThreads = 1);

#endif // FLO2PNG_OPTIONS_H
