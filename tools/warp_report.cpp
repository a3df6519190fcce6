#include "warp_report.h"

#include "report_text.h"

#include <QStringList>

#include <cmath>

namespace {

WarpRecord pooled(const QList<WarpRecord> &records)
{
    WarpRecord all{QStringLiteral("all"), 0, 0, {}};
    for (const WarpRecord &r : records)
        all.sums += r.sums;
    return all;
}

QString jsonObject(const WarpRecord &r, bool sized)
{
    const PhotometricFigures f = photometricFigures(r.sums);
    QStringList members{QStringLiteral("\"flow\": ") + jsonString(r.flow)};
    if (sized)
        members << QStringLiteral("\"width\": %1").arg(r.width)
                << QStringLiteral("\"height\": %1").arg(r.height);
    members << QStringLiteral("\"valid\": %1").arg(f.valid)
            << QStringLiteral("\"valid_share\": ") + jsonNumber(f.validShare)
            << QStringLiteral("\"occluded\": ") + jsonNumber(f.occluded)
            << QStringLiteral("\"mean_abs_error\": ") + jsonNumber(f.meanAbsError)
            << QStringLiteral("\"psnr\": ") + jsonNumber(f.psnr);
    return QLatin1Char('{') + members.join(QStringLiteral(", ")) + QLatin1Char('}');
}

} // namespace

QByteArray warpTable(const QList<WarpRecord> &records)
{
    QList<WarpRecord> rows = records;
    rows.append(pooled(records));
    qsizetype nameWidth = 4;
    for (const WarpRecord &r : std::as_const(rows))
        nameWidth = std::max(nameWidth, r.flow.size());
    QString text = QStringLiteral("flow").leftJustified(int(nameWidth)) +
                   QStringLiteral("  size            valid   valid%  occluded%  mean_abs_err"
                                  "     psnr\n");
    for (const WarpRecord &r : std::as_const(rows)) {
        const PhotometricFigures f = photometricFigures(r.sums);
        const QString size =
            r.width > 0 ? QStringLiteral("%1 x %2").arg(r.width).arg(r.height) : QString();
        text += r.flow.leftJustified(int(nameWidth)) + QStringLiteral("  ") +
                size.leftJustified(11) + QString::number(f.valid).rightJustified(10) +
                QStringLiteral("  ") + fixedNumber(f.validShare, 2).rightJustified(7) +
                QStringLiteral("  ") + fixedNumber(f.occluded, 2).rightJustified(9) +
                QStringLiteral("  ") + fixedNumber(f.meanAbsError, 3).rightJustified(12) +
                QStringLiteral("  ") + fixedNumber(f.psnr, 2).rightJustified(7) +
                QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray warpCsv(const QList<WarpRecord> &records)
{
    QString text = QStringLiteral(
        "flow,width,height,valid,valid_share,occluded,mean_abs_error,psnr\n");
    QList<WarpRecord> rows = records;
    rows.append(pooled(records));
    for (const WarpRecord &r : std::as_const(rows)) {
        const PhotometricFigures f = photometricFigures(r.sums);
        const bool sized = r.width > 0;
        const QStringList fields{csvField(r.flow),
                                 sized ? QString::number(r.width) : QString(),
                                 sized ? QString::number(r.height) : QString(),
                                 QString::number(f.valid),
                                 exactNumber(f.validShare),
                                 exactNumber(f.occluded),
                                 exactNumber(f.meanAbsError),
                                 exactNumber(f.psnr)};
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray warpJson(const QList<WarpRecord> &records)
{
    QStringList flows;
    for (const WarpRecord &r : records)
        flows << QStringLiteral("    ") + jsonObject(r, true);
    const QString text = QStringLiteral("{\n  \"flows\": [\n") + flows.join(QStringLiteral(",\n")) +
                         (flows.isEmpty() ? QString() : QStringLiteral("\n")) +
                         QStringLiteral("  ],\n  \"all\": ") + jsonObject(pooled(records), false) +
                         QStringLiteral("\n}\n");
    return text.toUtf8();
}
