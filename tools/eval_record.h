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
};

// The sums of all records, added in the order given.
EvalSums pooledSums(const QList<PairRecord> &records);

#endif // EVAL_RECORD_H
