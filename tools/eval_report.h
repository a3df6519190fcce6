#ifndef EVAL_REPORT_H
#define EVAL_REPORT_H

#include "eval_record.h"

#include <QByteArray>

// The table for people: a line per row under its name, rounded; with per-image means, the
// number of images of each pooled row last.
QByteArray evalTable(const QList<EvalRow> &rows, const EvalLayout &layout);

// The CSV's content as a JSON document: {"pairs": [...], "folders": [...] (with -r only),
// "all": {...}, "average": "pixel" or "image", "shard": "K/N" or null}, numbers with 17
// significant digits, null for NaN.
QByteArray evalJson(const QList<EvalRow> &rows, const EvalLayout &layout, const QString &shard);

#endif // EVAL_REPORT_H
