#ifndef EVAL_PAIRS_H
#define EVAL_PAIRS_H

#include <QList>
#include <QString>

// One estimate and the ground truth it is held against.
struct EvalJob {
    QString estimate;
    QString groundTruth; // empty when none was found
    QString problem;     // why the pair cannot be evaluated, known before reading it
    QString epePicture;  // where its EPE picture goes, or empty
    QString folder;      // with -r, its folder below the estimates' ("." for that folder itself)
    // The masks of its ground truth, when the run has them.
    QString occlusions;
    QString objects;
    QString exclusions;
};

// The order pairs are evaluated and pooled in, by the estimate's file name and then its whole
// path: a merge of shards sorts its rows by it again and adds the sums in the same order.
bool comesBefore(const QString &estimate, const QString &other);

// The order of the folders of a recursive run: by their names one level after another, so that
// a folder comes before its subfolders and they before its next sibling.
bool folderComesBefore(const QString &folder, const QString &other);

// Every flow file in estDir, in that order, each with the flow file of the same base name (the
// file name without its last suffix) in gtDir, of any format. With recursive, the same in every
// folder below estDir against the folder of the same relative path below gtDir, the folders in
// their order. False, with error set, when estDir holds no flow file at all.
bool pairFolders(const QString &estDir, const QString &gtDir, bool recursive, QList<EvalJob> *jobs,
                 QString *error);

// The pairs of one shard: shard, shard + shards, ...
QList<EvalJob> shardOf(const QList<EvalJob> &jobs, int shard, int shards);

// The folders of masks a run was given, each empty when not.
struct MaskFolders {
    QString occlusions;
    QString objects;
    QString exclusions;
};

// Finds the masks of each job's ground truth: in each folder, below it by the job's folder,
// the picture of the ground truth's base name. A job whose mask is missing gets the problem.
void findMasks(const MaskFolders &folders, QList<EvalJob> *jobs);

// Where the EPE of estimate goes in folder: its base name followed by "_epe" and suffix.
QString epePictureName(const QString &estimate, const QString &folder, const QString &suffix);

#endif // EVAL_PAIRS_H
