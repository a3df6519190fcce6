#include "eval_csv.h"

#include "eval_numbers.h"

#include <QStringList>

#include <limits>

namespace {

const char kHeader[] = "estimate,ground_truth,width,height,evaluated,coverage,aee,aae,fl_all,"
                       "px1,px3,px5,gt_known,epe_sum,angle_sum,outliers,below1,below3,below5,shard";
constexpr int kColumns = 20;

// Quoted only when it must be, with inner quotes doubled.
QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString line(const EvalRow &row, const QString &shard)
{
    const EvalSums &sums = row.sums;
    const bool pair = row.kind == EvalRow::Pair;
    const EvalFigures f = evalFigures(sums);
    const QStringList fields{field(row.estimate),
                             field(row.groundTruth),
                             pair ? QString::number(row.width) : QString(),
                             pair ? QString::number(row.height) : QString(),
                             QString::number(f.evaluated),
                             exactNumber(f.coverage),
                             exactNumber(f.aee),
                             exactNumber(f.aae),
                             exactNumber(f.flAll),
                             exactNumber(f.px1),
                             exactNumber(f.px3),
                             exactNumber(f.px5),
                             QString::number(sums.gtKnown),
                             exactNumber(sums.epe),
                             exactNumber(sums.angle),
                             QString::number(sums.outliers),
                             QString::number(sums.below1),
                             QString::number(sums.below3),
                             QString::number(sums.below5),
                             shard};
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// Splits content into records of fields, quotes as row() writes them; false when a quote is
// left open.
bool splitCsv(const QString &content, QList<QStringList> *records)
{
    QStringList fields;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const QChar c = content.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                current += c;
            else if (i + 1 < content.size() && content.at(i + 1) == QLatin1Char('"'))
                current += content.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            fields << current;
            current.clear();
        } else if (c == QLatin1Char('\n')) {
            if (current.endsWith(QLatin1Char('\r')))
                current.chop(1);
            fields << current;
            records->append(fields);
            fields.clear();
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (quoted)
        return false;
    if (any || !fields.isEmpty()) {
        fields << current;
        records->append(fields);
    }
    return true;
}

bool readCount(const QString &text, std::int64_t *value)
{
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    if (!ok || n < 0)
        return false;
    *value = n;
    return true;
}

bool readSize(const QString &text, int *value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n <= 0)
        return false;
    *value = n;
    return true;
}

bool readSum(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && *value >= 0; // also false for NaN
}

// The record of one pair row, or what is wrong with it.
QString readRow(const QStringList &fields, PairRecord *record)
{
    if (fields.at(0).isEmpty() || fields.at(1).isEmpty())
        return QStringLiteral("a pair without its files");
    record->estimate = fields.at(0);
    record->groundTruth = fields.at(1);
    if (!readSize(fields.at(2), &record->width) || !readSize(fields.at(3), &record->height))
        return QStringLiteral("width and height are not sizes");
    EvalSums &s = record->sums;
    if (!readCount(fields.at(4), &s.evaluated) || !readCount(fields.at(12), &s.gtKnown) ||
        !readCount(fields.at(15), &s.outliers) || !readCount(fields.at(16), &s.below1) ||
        !readCount(fields.at(17), &s.below3) || !readCount(fields.at(18), &s.below5) ||
        !readSum(fields.at(13), &s.epe) || !readSum(fields.at(14), &s.angle))
        return QStringLiteral("the sums are not counts and sums");
    if (s.evaluated > s.gtKnown || s.gtKnown > std::int64_t(record->width) * record->height ||
        s.outliers > s.evaluated || s.below1 > s.below3 || s.below3 > s.below5 ||
        s.below5 > s.evaluated)
        return QStringLiteral("the counts contradict each other");
    return QString();
}

} // namespace

QByteArray evalCsv(const QList<EvalRow> &rows, const QString &shard)
{
    QString text = QLatin1String(kHeader) + QLatin1Char('\n');
    for (const EvalRow &row : rows)
        text += line(row, shard);
    return text.toUtf8();
}

bool readEvalCsv(const QByteArray &bytes, EvalCsvContent *content, QString *error)
{
    QList<QStringList> lines;
    if (!splitCsv(QString::fromUtf8(bytes), &lines)) {
        *error = QStringLiteral("a quoted field is not closed");
        return false;
    }
    if (lines.isEmpty() || lines.first().join(QLatin1Char(',')) != QLatin1String(kHeader)) {
        *error = QStringLiteral("not a CSV written by floweval: the header is not '%1'")
                     .arg(QLatin1String(kHeader));
        return false;
    }
    *content = EvalCsvContent();
    qsizetype unfiled = 0; // the last pairs, not yet followed by their folder's row
    bool complete = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList &fields = lines.at(i);
        const auto fail = [&](const QString &what) {
            *error = QStringLiteral("line %1: %2").arg(i + 1).arg(what);
            return false;
        };
        if (complete)
            return fail(QStringLiteral("a row after the all row"));
        if (fields.size() != kColumns)
            return fail(QStringLiteral("%1 fields where the header has %2")
                            .arg(fields.size())
                            .arg(kColumns));
        const QString &estimate = fields.at(0);
        const QString &shard = fields.at(kColumns - 1);
        if (i > 1 && shard != lines.at(1).at(kColumns - 1))
            return fail(QStringLiteral("shard %1 where the rows before say %2")
                            .arg(shard, lines.at(1).at(kColumns - 1)));
        if (estimate == QLatin1String("all") && fields.at(1).isEmpty()) {
            if (unfiled > 0 && content->nested)
                return fail(QStringLiteral("pairs without the row of their folder"));
            content->shard = shard;
            complete = true;
            continue;
        }
        if (fields.at(2).isEmpty() && estimate.endsWith(QLatin1Char('/'))) {
            if (unfiled == 0 || fields.at(1) != estimate)
                return fail(QStringLiteral("a folder row without its pairs"));
            for (qsizetype k = content->records.size() - unfiled; k < content->records.size(); ++k)
                content->records[k].folder = estimate.chopped(1);
            content->nested = true;
            unfiled = 0;
            continue;
        }
        PairRecord record;
        const QString wrong = readRow(fields, &record);
        if (!wrong.isEmpty())
            return fail(wrong);
        content->records.append(record);
        ++unfiled;
    }
    if (!complete) {
        *error = QStringLiteral("cut short: the all row is missing");
        return false;
    }
    if (unfiled > 0 && content->nested) {
        *error = QStringLiteral("pairs without the row of their folder");
        return false;
    }
    return true;
}
