#ifndef EVAL_CSV_H
#define EVAL_CSV_H

#include "eval_record.h"

#include <QByteArray>

// The CSV of a run: a header and the rows, where the pooled ones have empty width and height
// and "all" has an empty ground truth. Every number reads back exactly (17 significant
// digits). After the figures and the breakdowns of the layout each row says how pooled rows
// average (and, on those, over how many images), then carries its sums (gt_known, epe_sum,
// angle_sum, the counts, each breakdown's), from which --merge pools shards to the same bits
// as one run, and last the shard ("K/N", or empty) the run was.
QByteArray evalCsv(const QList<EvalRow> &rows, const EvalLayout &layout, const QString &shard);

// What --merge takes from such a CSV.
struct EvalCsvContent {
    QList<PairRecord> records; // in file order, each with its folder when the run had -r
    QString shard;             // the "all" row's shard cell
    EvalLayout layout;
    bool nested = false;       // the run had -r: its pairs are followed by folder rows
};

// The content of such a CSV. False, with error set to what is wrong and where, when it is not
// one, or is cut short before its "all" row.
bool readEvalCsv(const QByteArray &bytes, EvalCsvContent *content, QString *error);

#endif // EVAL_CSV_H
