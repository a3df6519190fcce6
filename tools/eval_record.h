#ifndef EVAL_RECORD_H
#define EVAL_RECORD_H

#include "flow_metrics.h"

#include <QList>
#include <QString>

// What a run keeps of one evaluated pair: enough to print its figures and to pool it again.
struct PairRecord {
    QString estimate;
    QString groundTruth;
    int width = 0;
    int height = 0;
    EvalSums sums;
    QString folder; // with -r, its folder below the estimates' ("." for that one); else empty
};

// How the pooled rows average, and which breakdowns a run has beyond those every run has.
enum class EvalAverage { Pixel, Image };
struct EvalLayout {
    EvalAverage average = EvalAverage::Pixel;
    bool occlusions = false; // matched and unmatched EPE, from occlusion masks
    bool objects = false;    // Fl over background and foreground, from object maps
    bool operator==(const EvalLayout &o) const
    {
        return average == o.average && occlusions == o.occlusions && objects == o.objects;
    }
};

// "pixel" or "image", as the command line and the CSV name them.
QString averageName(EvalAverage average);

// A line of the results, as the table, the CSV and the JSON document show it.
struct EvalRow {
    enum Kind { Pair, Folder, All };
    Kind kind = Pair;
    QString estimate;    // the path as given; a folder's name with a trailing "/"; "all"
    QString groundTruth; // likewise; empty for "all"
    QString name;        // what the table shows: the file's name, below its folder with -r
    int width = 0;       // 0 but for pairs
    int height = 0;
    EvalSums sums;
    EvalFigures figures; // of the sums, or with per-image means their pairs' mean
    qsizetype images = 0; // pooled rows: the pairs that evaluated a pixel
};

// The rows of records, which come grouped by folder: each pair, after the pairs of each folder
// (with -r) a row pooling them, and the "all" row pooling every pair last.
QList<EvalRow> evalRows(const QList<PairRecord> &records, EvalAverage average);

#endif // EVAL_RECORD_H
