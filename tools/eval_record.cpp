#include "eval_record.h"
#include "eval_numbers.h"

#include <cmath>

EvalSums pooledSums(const QList<PairRecord> &records)
{
    EvalSums pooled;
    for (const PairRecord &r : records)
        pooled += r.sums;
    return pooled;
}

QString exactNumber(double x)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'g', 17);
}

QString fixedNumber(double x, int places)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'f', places);
}
