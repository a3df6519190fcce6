#include "eval_report.h"

#include "report_text.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// A figure column after the name, size and count: title, width, decimals, value.
struct Column {
    const char *title;
    int width;
    int places;
    double EvalFigures::*figure;
    int band = -1; // for aeeSpeed
};

QList<Column> tableColumns(const EvalLayout &layout)
{
    QList<Column> columns{{"coverage%", 9, 2, &EvalFigures::coverage},
                          {"AEE", 8, 3, &EvalFigures::aee},
                          {"AAE", 8, 3, &EvalFigures::aae},
                          {"Fl-all%", 8, 2, &EvalFigures::flAll},
                          {"px1%", 7, 2, &EvalFigures::px1},
                          {"px3%", 7, 2, &EvalFigures::px3},
                          {"px5%", 7, 2, &EvalFigures::px5},
                          {"s0-10", 8, 3, nullptr, 0},
                          {"s10-40", 8, 3, nullptr, 1},
                          {"s40+", 8, 3, nullptr, 2}};
    if (layout.occlusions)
        columns << Column{"matched", 8, 3, &EvalFigures::aeeMatched}
                << Column{"unmatched", 9, 3, &EvalFigures::aeeUnmatched};
    if (layout.objects)
        columns << Column{"Fl-bg%", 7, 2, &EvalFigures::flBg}
                << Column{"Fl-fg%", 7, 2, &EvalFigures::flFg};
    return columns;
}

QString tableLine(const EvalRow &row, int nameWidth, const QList<Column> &columns,
                  const EvalLayout &layout)
{
    const EvalFigures &f = row.figures;
    const QString size = row.kind == EvalRow::Pair
                             ? QStringLiteral("%1x%2").arg(row.width).arg(row.height)
                             : QString();
    QString line = row.name.leftJustified(nameWidth) + QStringLiteral("  ") +
                   size.leftJustified(11) + QString::number(f.evaluated).rightJustified(10);
    for (const Column &c : columns) {
        const double value = c.band >= 0 ? f.aeeSpeed[c.band] : f.*c.figure;
        line += QStringLiteral("  ") + fixedNumber(value, c.places).rightJustified(c.width);
    }
    if (layout.average == EvalAverage::Image)
        line += QStringLiteral("  ") +
                (row.kind == EvalRow::Pair ? QString() : QString::number(row.images))
                    .rightJustified(6);
    return line + QLatin1Char('\n');
}

// The members of one object, after those naming the pair.
QString jsonFigures(const EvalRow &row, const EvalLayout &layout)
{
    const EvalFigures &f = row.figures;
    const EvalSums &sums = row.sums;
    const auto number = [](const char *name, double x) {
        return QStringLiteral("\"%1\": ").arg(QLatin1String(name)) + jsonNumber(x);
    };
    const auto count = [](const char *name, qint64 n) {
        return QStringLiteral("\"%1\": %2").arg(QLatin1String(name)).arg(n);
    };
    QStringList members{count("evaluated", f.evaluated), number("coverage", f.coverage),
                        number("aee", f.aee),            number("aae", f.aae),
                        number("fl_all", f.flAll),       number("px1", f.px1),
                        number("px3", f.px3),            number("px5", f.px5),
                        number("aee_s0_10", f.aeeSpeed[0]), number("aee_s10_40", f.aeeSpeed[1]),
                        number("aee_s40", f.aeeSpeed[2])};
    if (layout.occlusions)
        members << number("aee_matched", f.aeeMatched) << number("aee_unmatched", f.aeeUnmatched);
    if (layout.objects)
        members << number("fl_bg", f.flBg) << number("fl_fg", f.flFg);
    if (row.kind != EvalRow::Pair)
        members << count("images", row.images);
    members << count("gt_known", sums.gtKnown) << number("epe_sum", sums.epe)
            << number("angle_sum", sums.angle) << count("outliers", sums.outliers)
            << count("below1", sums.below1) << count("below3", sums.below3)
            << count("below5", sums.below5) << count("s0_10", sums.speedCount[0])
            << number("s0_10_epe_sum", sums.speedEpe[0]) << count("s10_40", sums.speedCount[1])
            << number("s10_40_epe_sum", sums.speedEpe[1]) << count("s40", sums.speedCount[2])
            << number("s40_epe_sum", sums.speedEpe[2]);
    if (layout.occlusions)
        members << count("matched", sums.matched) << number("matched_epe_sum", sums.matchedEpe)
                << count("unmatched", sums.unmatched)
                << number("unmatched_epe_sum", sums.unmatchedEpe);
    if (layout.objects)
        members << count("background", sums.background) << count("foreground", sums.foreground)
                << count("bg_outliers", sums.bgOutliers) << count("fg_outliers", sums.fgOutliers);
    return members.join(QStringLiteral(", "));
}

} // namespace

QByteArray evalTable(const QList<EvalRow> &rows, const EvalLayout &layout)
{
    const QList<Column> columns = tableColumns(layout);
    int nameWidth = 8;
    for (const EvalRow &r : rows)
        nameWidth = std::max(nameWidth, int(r.name.size()));
    QString text = QStringLiteral("estimate").leftJustified(nameWidth) + QStringLiteral("  ") +
                   QStringLiteral("size").leftJustified(11) +
                   QStringLiteral("evaluated").rightJustified(10);
    for (const Column &c : columns)
        text += QStringLiteral("  ") + QString::fromLatin1(c.title).rightJustified(c.width);
    if (layout.average == EvalAverage::Image)
        text += QStringLiteral("  images");
    text += QLatin1Char('\n');
    for (const EvalRow &r : rows)
        text += tableLine(r, nameWidth, columns, layout);
    return text.toLocal8Bit();
}

QByteArray evalJson(const QList<EvalRow> &rows, const EvalLayout &layout, const QString &shard)
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
                         jsonFigures(r, layout) + QLatin1Char('}');
            break;
        case EvalRow::Folder:
            folders << QStringLiteral("{\"folder\": %1, ").arg(jsonString(r.estimate)) +
                           jsonFigures(r, layout) + QLatin1Char('}');
            break;
        case EvalRow::All:
            all = jsonFigures(r, layout);
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
    text += QStringLiteral("  \"average\": \"%1\",\n").arg(averageName(layout.average));
    text += QStringLiteral("  \"shard\": ") +
            (shard.isEmpty() ? QStringLiteral("null") : jsonString(shard)) +
            QStringLiteral("\n}\n");
    return text.toUtf8();
}
