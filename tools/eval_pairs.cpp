#include "eval_pairs.h"

#include "flow_inputs.h"

#include "cli_common.h"
#include "flow_format.h"
#include "mask_image.h"
#include "picture_folders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString baseName(const QString &path)
{
    const QString name = fileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// The flow files directly in folder, as isFlowInput takes them.
QStringList flowFilesIn(const QString &folder)
{
    QStringList found;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (isFlowInput(path))
            found << path;
    }
    std::sort(found.begin(), found.end(), comesBefore);
    return found;
}

// The pairs of one folder, each estimate against the ground truth of its base name in gtDir.
void pairFolder(const QString &estDir, const QString &gtDir, const QString &folder,
                QList<EvalJob> *jobs)
{
    QHash<QString, QStringList> truths;
    for (const QString &truth : flowFilesIn(gtDir))
        truths[baseName(truth)] << truth;
    for (const QString &estimate : flowFilesIn(estDir)) {
        EvalJob job;
        job.estimate = estimate;
        job.folder = folder;
        const QString base = baseName(estimate);
        const QStringList found = truths.value(base);
        if (found.isEmpty()) {
            job.problem =
                QStringLiteral("%1: no ground truth named %2 in %3").arg(estimate, base, gtDir);
        } else if (found.size() > 1) {
            // Guessing which one is meant would report figures against the wrong flow.
            job.problem = QStringLiteral("%1: several ground truths named %2: %3")
                              .arg(estimate, base, found.join(QStringLiteral(", ")));
        } else {
            job.groundTruth = found.first();
        }
        jobs->append(job);
    }
}

// Every folder below folder, relative to it, in their order; "." first for folder itself.
// Links to folders are not followed, so that a loop cannot hold the run.
QStringList foldersBelow(const QString &folder)
{
    QStringList found;
    const QDir root(QFileInfo(folder).absoluteFilePath());
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        found << root.relativeFilePath(it.fileInfo().absoluteFilePath());
    }
    std::sort(found.begin(), found.end(), folderComesBefore);
    found.prepend(QStringLiteral("."));
    return found;
}

bool hasSubfolders(const QString &folder)
{
    return !QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

bool comesBefore(const QString &estimate, const QString &other)
{
    const int byName = fileName(estimate).compare(fileName(other));
    return byName != 0 ? byName < 0 : estimate < other;
}

bool folderComesBefore(const QString &folder, const QString &other)
{
    if (folder == other)
        return false;
    if (folder == QLatin1String("."))
        return true;
    if (other == QLatin1String("."))
        return false;
    const QStringList a = folder.split(QLatin1Char('/'));
    const QStringList b = other.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        if (const int order = a.at(i).compare(b.at(i)); order != 0)
            return order < 0;
    return a.size() < b.size();
}

bool pairFolders(const QString &estDir, const QString &gtDir, bool recursive, QList<EvalJob> *jobs,
                 QString *error)
{
    jobs->clear();
    if (!recursive) {
        pairFolder(estDir, gtDir, QString(), jobs);
    } else {
        const QDir est(estDir);
        const QDir gt(gtDir);
        for (const QString &folder : foldersBelow(estDir)) {
            if (folder == QLatin1String("."))
                pairFolder(estDir, gtDir, folder, jobs);
            else
                pairFolder(est.filePath(folder), gt.filePath(folder), folder, jobs);
        }
    }
    if (jobs->isEmpty()) {
        *error =
            recursive ? QStringLiteral("no flow files in %1 or below it").arg(estDir)
            : hasSubfolders(estDir)
                ? QStringLiteral("no flow files in %1; -r reads the folders below it").arg(estDir)
                : QStringLiteral("no flow files in %1").arg(estDir);
        return false;
    }
    return true;
}

QList<EvalJob> shardOf(const QList<EvalJob> &jobs, int shard, int shards)
{
    QList<EvalJob> taken;
    for (qsizetype i = shard; i < jobs.size(); i += shards)
        taken.append(jobs.at(i));
    return taken;
}

void findMasks(const MaskFolders &folders, QList<EvalJob> *jobs)
{
    PictureFolders pictures;
    for (EvalJob &job : *jobs) {
        const struct {
            const QString &folder;
            QString &mask;
            const char *what;
        } kinds[] = {{folders.occlusions, job.occlusions, "occlusion mask"},
                     {folders.objects, job.objects, "object map"},
                     {folders.exclusions, job.exclusions, "exclusion mask"}};
        for (const auto &kind : kinds) {
            if (kind.folder.isEmpty() || !job.problem.isEmpty())
                continue;
            const bool nested = !job.folder.isEmpty() && job.folder != QLatin1String(".");
            const QString folder = nested ? QDir(kind.folder).filePath(job.folder) : kind.folder;
            QString problem;
            kind.mask = findMaskImage(pictures, folder, baseName(job.groundTruth), &problem);
            if (kind.mask.isEmpty())
                job.problem = QStringLiteral("%1: no %2: %3")
                                  .arg(job.groundTruth, QLatin1String(kind.what), problem);
        }
    }
}

QString epePictureName(const QString &estimate, const QString &folder, const QString &suffix)
{
    const QString name = baseName(estimate) + QLatin1String("_epe") + suffix;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}
