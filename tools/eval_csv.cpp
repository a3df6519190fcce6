#include "eval_csv.h"

#include "report_text.h"

#include <QStringList>

#include <limits>

namespace {

// The columns of a run of this layout: the figures, the breakdowns it has, how pooled rows
// average, the sums they come from, and the shard.
QStringList columnNames(const EvalLayout &layout)
{
    QStringList names{"estimate", "ground_truth", "width",   "height",    "evaluated",
                      "coverage", "aee",          "aae",     "fl_all",    "px1",
                      "px3",      "px5",          "aee_s0_10", "aee_s10_40", "aee_s40"};
    if (layout.occlusions)
        names << "aee_matched" << "aee_unmatched";
    if (layout.objects)
        names << "fl_bg" << "fl_fg";
    names << "images" << "average" << "gt_known" << "epe_sum" << "angle_sum" << "outliers"
          << "below1" << "below3" << "below5" << "s0_10" << "s0_10_epe_sum" << "s10_40"
          << "s10_40_epe_sum" << "s40" << "s40_epe_sum";
    if (layout.occlusions)
        names << "matched" << "matched_epe_sum" << "unmatched" << "unmatched_epe_sum";
    if (layout.objects)
        names << "background" << "foreground" << "bg_outliers" << "fg_outliers";
    names << "shard";
    return names;
}

QString line(const EvalRow &row, const EvalLayout &layout, const QString &shard)
{
    const EvalSums &sums = row.sums;
    const bool pair = row.kind == EvalRow::Pair;
    const EvalFigures &f = row.figures;
    QStringList fields{csvField(row.estimate),
                       csvField(row.groundTruth),
                       pair ? QString::number(row.width) : QString(),
                       pair ? QString::number(row.height) : QString(),
                       QString::number(f.evaluated),
                       exactNumber(f.coverage),
                       exactNumber(f.aee),
                       exactNumber(f.aae),
                       exactNumber(f.flAll),
                       exactNumber(f.px1),
                       exactNumber(f.px3),
                       exactNumber(f.px5)};
    for (const double band : f.aeeSpeed)
        fields << exactNumber(band);
    if (layout.occlusions)
        fields << exactNumber(f.aeeMatched) << exactNumber(f.aeeUnmatched);
    if (layout.objects)
        fields << exactNumber(f.flBg) << exactNumber(f.flFg);
    fields << (pair ? QString() : QString::number(row.images)) << averageName(layout.average)
           << QString::number(sums.gtKnown) << exactNumber(sums.epe) << exactNumber(sums.angle)
           << QString::number(sums.outliers) << QString::number(sums.below1)
           << QString::number(sums.below3) << QString::number(sums.below5);
    for (int b = 0; b < kSpeedBands; ++b)
        fields << QString::number(sums.speedCount[b]) << exactNumber(sums.speedEpe[b]);
    if (layout.occlusions)
        fields << QString::number(sums.matched) << exactNumber(sums.matchedEpe)
               << QString::number(sums.unmatched) << exactNumber(sums.unmatchedEpe);
    if (layout.objects)
        fields << QString::number(sums.background) << QString::number(sums.foreground)
               << QString::number(sums.bgOutliers) << QString::number(sums.fgOutliers);
    fields << shard;
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

// The cells of one row by their column's name.
class Row
{
public:
    Row(const QStringList &names, const QStringList &fields) : names_(names), fields_(fields) {}
    const QString &at(const char *name) const
    {
        return fields_.at(names_.indexOf(QLatin1String(name)));
    }

private:
    const QStringList &names_;
    const QStringList &fields_;
};

// The record of one pair row, or what is wrong with it.
QString readRow(const Row &row, const EvalLayout &layout, PairRecord *record)
{
    if (row.at("estimate").isEmpty() || row.at("ground_truth").isEmpty())
        return QStringLiteral("a pair without its files");
    record->estimate = row.at("estimate");
    record->groundTruth = row.at("ground_truth");
    if (!readSize(row.at("width"), &record->width) || !readSize(row.at("height"), &record->height))
        return QStringLiteral("width and height are not sizes");
    EvalSums &s = record->sums;
    const auto counts = [&row](std::initializer_list<std::pair<const char *, std::int64_t *>> list) {
        for (const auto &[name, value] : list)
            if (!readCount(row.at(name), value))
                return false;
        return true;
    };
    const auto sumsRead = [&row](std::initializer_list<std::pair<const char *, double *>> list) {
        for (const auto &[name, value] : list)
            if (!readSum(row.at(name), value))
                return false;
        return true;
    };
    bool read = counts({{"evaluated", &s.evaluated},
                        {"gt_known", &s.gtKnown},
                        {"outliers", &s.outliers},
                        {"below1", &s.below1},
                        {"below3", &s.below3},
                        {"below5", &s.below5},
                        {"s0_10", &s.speedCount[0]},
                        {"s10_40", &s.speedCount[1]},
                        {"s40", &s.speedCount[2]}}) &&
                sumsRead({{"epe_sum", &s.epe},
                          {"angle_sum", &s.angle},
                          {"s0_10_epe_sum", &s.speedEpe[0]},
                          {"s10_40_epe_sum", &s.speedEpe[1]},
                          {"s40_epe_sum", &s.speedEpe[2]}});
    if (layout.occlusions)
        read = read && counts({{"matched", &s.matched}, {"unmatched", &s.unmatched}}) &&
               sumsRead({{"matched_epe_sum", &s.matchedEpe},
                         {"unmatched_epe_sum", &s.unmatchedEpe}});
    if (layout.objects)
        read = read && counts({{"background", &s.background},
                               {"foreground", &s.foreground},
                               {"bg_outliers", &s.bgOutliers},
                               {"fg_outliers", &s.fgOutliers}});
    if (!read)
        return QStringLiteral("the sums are not counts and sums");
    const bool bands = s.speedCount[0] + s.speedCount[1] + s.speedCount[2] == s.evaluated;
    const bool masks = (!layout.occlusions || s.matched + s.unmatched == s.evaluated) &&
                       (!layout.objects || (s.background + s.foreground == s.evaluated &&
                                            s.bgOutliers + s.fgOutliers == s.outliers &&
                                            s.bgOutliers <= s.background &&
                                            s.fgOutliers <= s.foreground));
    if (s.evaluated > s.gtKnown || s.gtKnown > std::int64_t(record->width) * record->height ||
        s.outliers > s.evaluated || s.below1 > s.below3 || s.below3 > s.below5 ||
        s.below5 > s.evaluated || !bands || !masks)
        return QStringLiteral("the counts contradict each other");
    return QString();
}

} // namespace

QByteArray evalCsv(const QList<EvalRow> &rows, const EvalLayout &layout, const QString &shard)
{
    QString text = columnNames(layout).join(QLatin1Char(',')) + QLatin1Char('\n');
    for (const EvalRow &row : rows)
        text += line(row, layout, shard);
    return text.toUtf8();
}

bool readEvalCsv(const QByteArray &bytes, EvalCsvContent *content, QString *error)
{
    QList<QStringList> lines;
    if (!splitCsv(QString::fromUtf8(bytes), &lines)) {
        *error = QStringLiteral("a quoted field is not closed");
        return false;
    }
    *content = EvalCsvContent();
    QStringList names;
    for (const bool occlusions : {false, true})
        for (const bool objects : {false, true})
            if (!lines.isEmpty() &&
                lines.first() == columnNames({EvalAverage::Pixel, occlusions, objects})) {
                content->layout.occlusions = occlusions;
                content->layout.objects = objects;
                names = lines.first();
            }
    if (names.isEmpty()) {
        *error = QStringLiteral("not a CSV written by floweval: the header is not '%1'")
                     .arg(columnNames({}).join(QLatin1Char(',')));
        return false;
    }
    const int columns = int(names.size());
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
        if (fields.size() != columns)
            return fail(QStringLiteral("%1 fields where the header has %2")
                            .arg(fields.size())
                            .arg(columns));
        const Row row(names, fields);
        const QString &estimate = row.at("estimate");
        const QString &shard = row.at("shard");
        const QString &average = row.at("average");
        if (i == 1) {
            if (average != QLatin1String("pixel") && average != QLatin1String("image"))
                return fail(QStringLiteral("average '%1' is neither pixel nor image").arg(average));
            content->layout.average =
                average == QLatin1String("image") ? EvalAverage::Image : EvalAverage::Pixel;
        } else if (shard != lines.at(1).constLast()) {
            return fail(QStringLiteral("shard %1 where the rows before say %2")
                            .arg(shard, lines.at(1).constLast()));
        } else if (average != averageName(content->layout.average)) {
            return fail(QStringLiteral("average %1 where the rows before say %2")
                            .arg(average, averageName(content->layout.average)));
        }
        if (estimate == QLatin1String("all") && row.at("ground_truth").isEmpty()) {
            if (unfiled > 0 && content->nested)
                return fail(QStringLiteral("pairs without the row of their folder"));
            content->shard = shard;
            complete = true;
            continue;
        }
        if (row.at("width").isEmpty() && estimate.endsWith(QLatin1Char('/'))) {
            if (unfiled == 0 || row.at("ground_truth") != estimate)
                return fail(QStringLiteral("a folder row without its pairs"));
            for (qsizetype k = content->records.size() - unfiled; k < content->records.size(); ++k)
                content->records[k].folder = estimate.chopped(1);
            content->nested = true;
            unfiled = 0;
            continue;
        }
        PairRecord record;
        const QString wrong = readRow(row, content->layout, &record);
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
