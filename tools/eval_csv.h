#ifndef EVAL_CSV_H
#define EVAL_CSV_H

#include "eval_record.h"

#include <QByteArray>

// The CSV of a run: a header, a row per pair and the pooled row, whose estimate is "all" and
// whose ground truth, width and height are empty. Every number reads back exactly (17
// significant digits). After the figures each row carries its sums (gt_known, epe_sum,
// angle_sum and the counts), from which --merge pools shards to the same bits as one run.
QByteArray evalCsv(const QList<PairRecord> &records, const EvalSums &pooled);

// The pair rows of such a CSV, in file order; the pooled row is left out. False, with error
// set to what is wrong and where, when content is not such a CSV.
bool readEvalCsv(const QByteArray &content, QList<PairRecord> *records, QString *error);

#endif // EVAL_CSV_H
