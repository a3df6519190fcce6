#include "eval_report.h"

#include "eval_numbers.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

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

QByteArray evalTable(const QList<EvalRow> &rows)
{
    int nameWidth = 8;
    for (const EvalRow &r : rows)
        nameWidth = std::max(nameWidth, int(r.name.size()));
    QString text = QStringLiteral("estimate").leftJustified(nameWidth) + QStringLiteral("  ") +
                   QStringLiteral("size").leftJustified(11) +
                   QStringLiteral("evaluated").rightJustified(10);
    for (const Column &c : kColumns)
        text += QStringLiteral("  ") + QString::fromLatin1(c.title).rightJustified(c.width);
    text += QLatin1Char('\n');
    for (const EvalRow &r : rows)
        text +=
            tableLine(r.name, nameWidth,
                      r.kind == EvalRow::Pair ? QStringLiteral("%1x%2").arg(r.width).arg(r.height)
                                              : QString(),
                      r.sums);
    return text.toLocal8Bit();
}

QByteArray evalJson(const QList<EvalRow> &rows, const QString &shard)
{
    QStringList pairs;
    QStringList folders;
    QString all;
    for (const EvalRow &r : rows) {
        switch (r.kind) {
        case EvalRow::Pair:
            pairs << QStringLiteral("{\"estimate\": %1, \"ground_truth\": %2, \"width\": %3, "
                                    "\"height\": %4, ")
                             .arg(jsonString(r.estimate), jsonString(r.groundTruth))
                             .arg(r.width)
                             .arg(r.height) +
                         jsonFigures(r.sums) + QLatin1Char('}');
            break;
        case EvalRow::Folder:
            folders << QStringLiteral("{\"folder\": %1, ").arg(jsonString(r.estimate)) +
                           jsonFigures(r.sums) + QLatin1Char('}');
            break;
        case EvalRow::All:
            all = jsonFigures(r.sums);
            break;
        }
    }
    const auto array = [](const QString &name, const QStringList &items) {
        return QStringLiteral("  \"%1\": [").arg(name) +
               (items.isEmpty() ? QString()
                                : QStringLiteral("\n    ") + items.join(QStringLiteral(",\n    ")) +
                                      QStringLiteral("\n  ")) +
               QStringLiteral("],\n");
    };
    QString text = QStringLiteral("{\n") + array(QStringLiteral("pairs"), pairs);
    // Only a recursive run has folders; without one the document stays as it always reads.
    if (!folders.isEmpty())
        text += array(QStringLiteral("folders"), folders);
    text += QStringLiteral("  \"all\": {") + all + QStringLiteral("},\n");
    text += QStringLiteral("  \"shard\": ") +
            (shard.isEmpty() ? QStringLiteral("null") : jsonString(shard)) +
            QStringLiteral("\n}\n");
    return text.toUtf8();
}
