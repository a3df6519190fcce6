#include "eval_report.h"

#include "eval_numbers.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The figure columns after the name and size: title, width, decimals.
struct Column {
    const char *title;
    int width;
    int places;
};
const Column kColumns[] = {{"coverage%", 9, 2}, {"AEE", 8, 3},  {"AAE", 8, 3}, {"Fl-all%", 8, 2},
                           {"px1%", 7, 2},      {"px3%", 7, 2}, {"px5%", 7, 2}};

QString tableLine(const QString &name, int nameWidth, const QString &size, const EvalSums &sums)
{
    const EvalFigures f = evalFigures(sums);
    const double figures[] = {f.coverage, f.aee, f.aae, f.flAll, f.px1, f.px3, f.px5};
    QString line = name.leftJustified(nameWidth) + QStringLiteral("  ") + size.leftJustified(11) +
                   QString::number(f.evaluated).rightJustified(10);
    for (int i = 0; i < 7; ++i)
        line += QStringLiteral("  ") +
                fixedNumber(figures[i], kColumns[i].places).rightJustified(kColumns[i].width);
    return line + QLatin1Char('\n');
}

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

QString jsonNumber(double x)
{
    return std::isfinite(x) ? exactNumber(x) : QStringLiteral("null");
}

// The members of one object, after those naming the pair.
QString jsonFigures(const EvalSums &sums)
{
    const EvalFigures f = evalFigures(sums);
    const QStringList members{QStringLiteral("\"evaluated\": %1").arg(f.evaluated),
                              QStringLiteral("\"coverage\": ") + jsonNumber(f.coverage),
                              QStringLiteral("\"aee\": ") + jsonNumber(f.aee),
                              QStringLiteral("\"aae\": ") + jsonNumber(f.aae),
                              QStringLiteral("\"fl_all\": ") + jsonNumber(f.flAll),
                              QStringLiteral("\"px1\": ") + jsonNumber(f.px1),
                              QStringLiteral("\"px3\": ") + jsonNumber(f.px3),
                              QStringLiteral("\"px5\": ") + jsonNumber(f.px5),
                              QStringLiteral("\"gt_known\": %1").arg(sums.gtKnown),
                              QStringLiteral("\"epe_sum\": ") + jsonNumber(sums.epe),
                              QStringLiteral("\"angle_sum\": ") + jsonNumber(sums.angle),
                              QStringLiteral("\"outliers\": %1").arg(sums.outliers),
                              QStringLiteral("\"below1\": %1").arg(sums.below1),
                              QStringLiteral("\"below3\": %1").arg(sums.below3),
                              QStringLiteral("\"below5\": %1").arg(sums.below5)};
    return members.join(QStringLiteral(", "));
}

} // namespace

QByteArray evalTable(const QList<PairRecord> &records, const EvalSums &pooled)
{
    int nameWidth = 8;
    for (const PairRecord &r : records)
        nameWidth = std::max(nameWidth, int(fileName(r.estimate).size()));
    QString text = QStringLiteral("estimate").leftJustified(nameWidth) + QStringLiteral("  ") +
                   QStringLiteral("size").leftJustified(11) +
                   QStringLiteral("evaluated").rightJustified(10);
    for (const Column &c : kColumns)
        text += QStringLiteral("  ") + QString::fromLatin1(c.title).rightJustified(c.width);
    text += QLatin1Char('\n');
    for (const PairRecord &r : records)
        text += tableLine(fileName(r.estimate), nameWidth,
                          QStringLiteral("%1x%2").arg(r.width).arg(r.height), r.sums);
    text += tableLine(QStringLiteral("all"), nameWidth, QString(), pooled);
    return text.toLocal8Bit();
}

QByteArray evalJson(const QList<PairRecord> &records, const EvalSums &pooled)
{
    QString text = QStringLiteral("{\n  \"pairs\": [");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const PairRecord &r = records.at(i);
        text += (i == 0 ? QStringLiteral("\n") : QStringLiteral(",\n")) +
                QStringLiteral("    {\"estimate\": %1, \"ground_truth\": %2, \"width\": %3, "
                               "\"height\": %4, ")
                    .arg(jsonString(r.estimate), jsonString(r.groundTruth))
                    .arg(r.width)
                    .arg(r.height) +
                jsonFigures(r.sums) + QLatin1Char('}');
    }
    text += records.isEmpty() ? QStringLiteral("],\n") : QStringLiteral("\n  ],\n");
    text += QStringLiteral("  \"all\": {") + jsonFigures(pooled) + QStringLiteral("}\n}\n");
    return text.toUtf8();
}
