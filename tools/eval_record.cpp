#include "eval_record.h"
#include "eval_numbers.h"

#include <cmath>

namespace {

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

EvalSums pooledSums(const QList<PairRecord> &records)
{
    EvalSums pooled;
    for (const PairRecord &r : records)
        pooled += r.sums;
    return pooled;
}

QList<EvalRow> evalRows(const QList<PairRecord> &records)
{
    QList<EvalRow> rows;
    EvalSums folderSums;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const PairRecord &r = records.at(i);
        const bool nested = !r.folder.isEmpty() && r.folder != QLatin1String(".");
        rows.append(
            {EvalRow::Pair, r.estimate, r.groundTruth,
             nested ? r.folder + QLatin1Char('/') + fileName(r.estimate) : fileName(r.estimate),
             r.width, r.height, r.sums});
        if (r.folder.isEmpty())
            continue;
        folderSums += r.sums;
        if (i + 1 == records.size() || records.at(i + 1).folder != r.folder) {
            const QString folder = r.folder + QLatin1Char('/');
            rows.append({EvalRow::Folder, folder, folder, folder, 0, 0, folderSums});
            folderSums = EvalSums();
        }
    }
    rows.append({EvalRow::All, QStringLiteral("all"), QString(), QStringLiteral("all"), 0, 0,
                 pooledSums(records)});
    return rows;
}

QString exactNumber(double x)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'g', 17);
}

QString fixedNumber(double x, int places)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'f', places);
}
