#ifndef FLOWEVAL_OPTIONS_H
#define FLOWEVAL_OPTIONS_H

#include "eval_record.h"

#include <QString>
#include <QStringList>

struct FlowEvalOptions {
    // Evaluation: an estimate and its ground truth, both files or both folders.
    QString estimate;
    QString groundTruth;
    bool folders = false;
    bool recursive = false; // -r: the folders below them too, paired by relative path
    // --merge: the CSV files of earlier runs, to be pooled; empty otherwise.
    QStringList mergeInputs;

    QString csv;    // file, "-" for standard output, or empty
    QString json;   // likewise
    QString epeDir; // folder for every pair's EPE picture, or empty
    QString epe;    // one pair's EPE picture, or empty
    // What the EPE is written as, by the suffix of its files: ".png" for the picture, ".npy" or
    // ".pfm" for the numbers.
    QString epeSuffix = QStringLiteral(".png");
    // Folders of masks found by the ground truth's relative path and base name, or empty.
    QString occlusions; // --occ: EPE over matched and unmatched pixels
    QString objects;    // --fg: Fl over background and foreground
    QString exclusions; // --exclude: pixels left out of every figure
    EvalAverage average = EvalAverage::Pixel;
    bool averageSet = false; // --average was given; a merge otherwise keeps the files' own
    int threads = 1;
    int shard = 0; // take pairs shard, shard + shards, ...
    int shards = 1;
    bool sharded = false; // --shard was given, even as 0/1
    bool quiet = false;

    bool merging() const { return !mergeInputs.isEmpty(); }
    EvalLayout layout() const { return {average, !occlusions.isEmpty(), !objects.isEmpty()}; }
    // What the CSV's shard column says: "K/N", or empty for a whole run.
    QString shardText() const
    {
        return sharded ? QStringLiteral("%1/%2").arg(shard).arg(shards) : QString();
    }
    // The table goes to standard output unless a CSV or JSON document does.
    bool printsTable() const { return csv != QLatin1String("-") && json != QLatin1String("-"); }
};

struct FlowEvalCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    FlowEvalOptions options;
    QString text; // the help or version text, or what is wrong with the command line
};

// Parses the arguments (program name first) and checks that they make one sensible run.
// defaultThreads is what -j means when not given.
FlowEvalCommandLine parseFlowEvalCommandLine(const QStringList &arguments, int defaultThreads);

#endif // FLOWEVAL_OPTIONS_H
