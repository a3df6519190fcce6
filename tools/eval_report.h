#ifndef EVAL_REPORT_H
#define EVAL_REPORT_H

#include "eval_record.h"

#include <QByteArray>

// The table for people: a line per pair under its estimate's file name, then the pooled line.
QByteArray evalTable(const QList<PairRecord> &records, const EvalSums &pooled);

// The CSV's content as a JSON document: {"pairs": [...], "all": {...}}, numbers with 17
// significant digits, null for NaN.
QByteArray evalJson(const QList<PairRecord> &records, const EvalSums &pooled);

#endif // EVAL_REPORT_H
