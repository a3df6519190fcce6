#include "eval_record.h"

#include <cmath>
#include <vector>

namespace {

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString averageName(EvalAverage average)
{
    return average == EvalAverage::Image ? QStringLiteral("image") : QStringLiteral("pixel");
}

QList<EvalRow> evalRows(const QList<PairRecord> &records, EvalAverage average)
{
    QList<EvalRow> rows;
    const auto pooledRow = [average](EvalRow::Kind kind, const QString &name,
                                     const QString &truth, const std::vector<EvalSums> &pairs) {
        EvalRow row{kind, name, truth, name, 0, 0, {}, {}, 0};
        for (const EvalSums &sums : pairs) {
            row.sums += sums;
            row.images += sums.evaluated > 0;
        }
        row.figures = average == EvalAverage::Image
                          ? imageMeanFigures(pairs.data(), pairs.size())
                          : evalFigures(row.sums);
        return row;
    };
    std::vector<EvalSums> folderPairs;
    std::vector<EvalSums> allPairs;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const PairRecord &r = records.at(i);
        const bool nested = !r.folder.isEmpty() && r.folder != QLatin1String(".");
        rows.append(
            {EvalRow::Pair, r.estimate, r.groundTruth,
             nested ? r.folder + QLatin1Char('/') + fileName(r.estimate) : fileName(r.estimate),
             r.width, r.height, r.sums, evalFigures(r.sums), 0});
        allPairs.push_back(r.sums);
        if (r.folder.isEmpty())
            continue;
        folderPairs.push_back(r.sums);
        if (i + 1 == records.size() || records.at(i + 1).folder != r.folder) {
            const QString folder = r.folder + QLatin1Char('/');
            rows.append(pooledRow(EvalRow::Folder, folder, folder, folderPairs));
            folderPairs.clear();
        }
    }
    rows.append(pooledRow(EvalRow::All, QStringLiteral("all"), QString(), allPairs));
    return rows;
}
