#ifndef EVAL_DATASET_H
#define EVAL_DATASET_H

// Datasets of estimates and ground truths for floweval's tests, and the CSV it writes read back.

#include "flow_format.h"
#include "flow_metrics.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

extern const QString kEvalCsvHeader;

struct Planes {
    FloatPlane ue, ve, ug, vg;
};

// A ground truth with holes and an estimate off by a few pixels, some unknown; values in
// 1/64 px so that a KITTI ground truth holds them exactly. The same seed gives the same pair.
Planes randomPair(unsigned seed, int rows, int cols);
EvalSums sumsOf(const Planes &p);
void writePlanes(const Planes &p, const QString &est, const QString &gt, FlowFormat gtFormat);

// The pair numbered i of writeDataset: frame_000i, its seed and size.
Planes datasetPair(int i);
// count pairs of different sizes in root/est and root/gt; every third ground truth is a KITTI
// PNG. Returns the pooled sums in name order.
EvalSums writeDataset(const QString &root, int count);
// Two scenes below root/est and root/gt that repeat their frames' names: alley_1 holds pairs
// 0 to 2 of datasetPair, alley_2 pairs 3 and 4 as frame_0000 and frame_0001. Returns each
// scene's pooled sums.
QList<EvalSums> writeScenes(const QString &root);

// The masks of writeScenes' pair k, 1 where set: occlusions, objects and pixels to leave out.
struct PairMasks {
    std::vector<std::uint8_t> occluded, foreground, excluded;
};
PairMasks sceneMasks(int k);
// Writes them below root/occ, root/fg and root/exclude by the ground truths' relative paths:
// each kind in another picture format (8-bit grey, 16-bit grey whose set pixels are 1, RGBA
// whose unset pixels are opaque black).
void writeSceneMasks(const QString &root);
// The sums of writeScenes' pair k with its masks.
EvalSums maskedSums(int k);

QByteArray readAll(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);
// Equal to the bit; NaN matches NaN.
bool sameDouble(double a, double b);
// The CSV's lines split at commas (no field of these tests is quoted).
QList<QStringList> csvRows(const QString &text);
// The figure columns of a CSV row, and its sums, against the library's, to the last bit.
void compareRow(const QStringList &fields, const EvalSums &sums);

#endif // EVAL_DATASET_H
