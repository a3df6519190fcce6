#ifndef WARP_REPORT_H
#define WARP_REPORT_H

#include "warp_job.h"

#include <QByteArray>

// The figures of every flow checked and a last row "all", pooled over their pixels, with empty
// width and height: for people as a table, and as CSV and JSON with every number at 17
// significant digits ("nan" and "inf" in CSV, null in JSON).
QByteArray warpTable(const QList<WarpRecord> &records);
QByteArray warpCsv(const QList<WarpRecord> &records);
QByteArray warpJson(const QList<WarpRecord> &records);

#endif // WARP_REPORT_H
