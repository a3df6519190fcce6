#include "eval_dataset.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>

namespace {

double number(const QString &text)
{
    return text == QLatin1String("nan") ? std::nan("") : text.toDouble();
}

} // namespace

const QString kEvalCsvHeader = QStringLiteral(
    "estimate,ground_truth,width,height,evaluated,coverage,aee,aae,fl_all,px1,px3,px5,"
    "aee_s0_10,aee_s10_40,aee_s40,images,average,gt_known,epe_sum,angle_sum,outliers,below1,"
    "below3,below5,s0_10,s0_10_epe_sum,s10_40,s10_40_epe_sum,s40,s40_epe_sum,shard");

Planes randomPair(unsigned seed, int rows, int cols)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> motion(-1500, 1500);
    std::uniform_int_distribution<int> error(-300, 300);
    std::uniform_int_distribution<int> hole(0, 24);
    Planes p{vek_alloc_2(rows, cols), vek_alloc_2(rows, cols), vek_alloc_2(rows, cols),
             vek_alloc_2(rows, cols)};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const float ug = float(motion(random)) / 64;
            const float vg = float(motion(random)) / 64;
            const bool gtHole = hole(random) == 0;
            const bool estHole = hole(random) == 0;
            p.ug[r][c] = gtHole ? std::nanf("") : ug;
            p.vg[r][c] = gtHole ? std::nanf("") : vg;
            p.ue[r][c] = estHole ? 1e10f : ug + float(error(random)) / 64;
            p.ve[r][c] = estHole ? 1e10f : vg + float(error(random)) / 64;
        }
    return p;
}

EvalSums sumsOf(const Planes &p)
{
    return evaluateFlow(p.ue, p.ve, p.ug, p.vg);
}

void writePlanes(const Planes &p, const QString &est, const QString &gt, FlowFormat gtFormat)
{
    writeFlow(FlowFormat::Flo, p.ue, p.ve, QFile::encodeName(est).constData());
    writeFlow(gtFormat, p.ug, p.vg, QFile::encodeName(gt).constData());
}

Planes datasetPair(int i)
{
    return randomPair(unsigned(100 + i), 9 + i % 4, 13 + 3 * i);
}

EvalSums writeDataset(const QString &root, int count)
{
    QDir(root).mkpath(QStringLiteral("est"));
    QDir(root).mkpath(QStringLiteral("gt"));
    EvalSums pooled;
    for (int i = 0; i < count; ++i) {
        const Planes p = datasetPair(i);
        const QString name = QStringLiteral("frame_%1").arg(i, 4, 10, QLatin1Char('0'));
        const bool kitti = i % 3 == 2;
        writePlanes(p, root + "/est/" + name + ".flo",
                    root + "/gt/" + name + (kitti ? ".png" : ".flo"),
                    kitti ? FlowFormat::KittiPng : FlowFormat::Flo);
        pooled += sumsOf(p);
    }
    return pooled;
}

QList<EvalSums> writeScenes(const QString &root)
{
    QList<EvalSums> scenes;
    int pair = 0;
    for (const auto &[scene, count] : {std::pair{"alley_1", 3}, std::pair{"alley_2", 2}}) {
        const QString est = QStringLiteral("%1/est/%2/").arg(root, scene);
        const QString gt = QStringLiteral("%1/gt/%2/").arg(root, scene);
        QDir().mkpath(est);
        QDir().mkpath(gt);
        EvalSums pooled;
        for (int i = 0; i < count; ++i, ++pair) {
            const Planes p = datasetPair(pair);
            const QString name = QStringLiteral("frame_%1").arg(i, 4, 10, QLatin1Char('0'));
            writePlanes(p, est + name + ".flo", gt + name + (i == 1 ? ".pfm" : ".flo"),
                        i == 1 ? FlowFormat::Pfm : FlowFormat::Flo);
            pooled += sumsOf(p);
        }
        scenes << pooled;
    }
    return scenes;
}

PairMasks sceneMasks(int k)
{
    const Planes p = datasetPair(k);
    const int rows = p.ug.rows();
    const int cols = p.ug.cols();
    PairMasks m;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            m.occluded.push_back((r * cols + c + k) % 5 == 0);
            m.foreground.push_back(c < cols / 2);
            m.excluded.push_back((r + c) % 7 == 0);
        }
    return m;
}

void writeSceneMasks(const QString &root)
{
    int pair = 0;
    for (const auto &[scene, count] : {std::pair{"alley_1", 3}, std::pair{"alley_2", 2}})
        for (int i = 0; i < count; ++i, ++pair) {
            const Planes p = datasetPair(pair);
            const PairMasks m = sceneMasks(pair);
            const int rows = p.ug.rows();
            const int cols = p.ug.cols();
            QImage occluded(cols, rows, QImage::Format_Grayscale8);
            QImage foreground(cols, rows, QImage::Format_Grayscale16);
            QImage excluded(cols, rows, QImage::Format_ARGB32);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const std::size_t at = std::size_t(r) * cols + c;
                    occluded.scanLine(r)[c] = m.occluded[at] ? 200 : 0;
                    reinterpret_cast<std::uint16_t *>(foreground.scanLine(r))[c] =
                        m.foreground[at] ? 1 : 0;
                    excluded.setPixel(c, r, m.excluded[at] ? qRgba(0, 0, 1, 128) : qRgb(0, 0, 0));
                }
            const QString name = QStringLiteral("/%1/frame_%2.png").arg(scene).arg(i, 4, 10, QLatin1Char('0'));
            for (const auto &[kind, image] : {std::pair{"occ", &occluded},
                                              std::pair{"fg", &foreground},
                                              std::pair{"exclude", &excluded}}) {
                QDir().mkpath(QStringLiteral("%1/%2/%3").arg(root, kind, scene));
                QVERIFY(image->save(root + QLatin1Char('/') + kind + name));
            }
        }
}

EvalSums maskedSums(int k)
{
    Planes p = datasetPair(k);
    const PairMasks m = sceneMasks(k);
    excludePixels(p.ug, p.vg, m.excluded.data());
    return evaluateFlow(p.ue, p.ve, p.ug, p.vg, {m.occluded.data(), m.foreground.data()});
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool sameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void compareRow(const QStringList &fields, const EvalSums &sums)
{
    const EvalFigures f = evalFigures(sums);
    QCOMPARE(fields.size(), 31);
    QCOMPARE(fields.at(4).toLongLong(), f.evaluated);
    const double expected[] = {f.coverage, f.aee,   f.aae,         f.flAll,       f.px1,
                               f.px3,      f.px5,   f.aeeSpeed[0], f.aeeSpeed[1], f.aeeSpeed[2]};
    for (int i = 0; i < 10; ++i)
        QVERIFY2(sameDouble(number(fields.at(5 + i)), expected[i]),
                 qPrintable(QStringLiteral("column %1: %2 not %3")
                                .arg(5 + i)
                                .arg(fields.at(5 + i))
                                .arg(expected[i], 0, 'g', 17)));
    QCOMPARE(fields.at(17).toLongLong(), sums.gtKnown);
    QVERIFY(sameDouble(number(fields.at(18)), sums.epe));
    QVERIFY(sameDouble(number(fields.at(19)), sums.angle));
    QCOMPARE(fields.at(20).toLongLong(), sums.outliers);
    for (int b = 0; b < kSpeedBands; ++b) {
        QCOMPARE(fields.at(24 + 2 * b).toLongLong(), sums.speedCount[b]);
        QVERIFY(sameDouble(number(fields.at(25 + 2 * b)), sums.speedEpe[b]));
    }
}

QList<QStringList> csvRows(const QString &text)
{
    QList<QStringList> rows;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        rows << line.split(QLatin1Char(','));
    return rows;
}
