#include "eval_pairs.h"

#include "flow_inputs.h"

#include "cli_common.h"
#include "flow_format.h"

#include <QDir>
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

} // namespace

bool comesBefore(const QString &estimate, const QString &other)
{
    const int byName = fileName(estimate).compare(fileName(other));
    return byName != 0 ? byName < 0 : estimate < other;
}

bool pairFolders(const QString &estDir, const QString &gtDir, QList<EvalJob> *jobs, QString *error)
{
    const QStringList estimates = flowFilesIn(estDir);
    if (estimates.isEmpty()) {
        *error = QStringLiteral("no flow files in %1").arg(estDir);
        return false;
    }
    QHash<QString, QStringList> truths;
    for (const QString &truth : flowFilesIn(gtDir))
        truths[baseName(truth)] << truth;

    jobs->clear();
    for (const QString &estimate : estimates) {
        EvalJob job;
        job.estimate = estimate;
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
    return true;
}

QList<EvalJob> shardOf(const QList<EvalJob> &jobs, int shard, int shards)
{
    QList<EvalJob> taken;
    for (qsizetype i = shard; i < jobs.size(); i += shards)
        taken.append(jobs.at(i));
    return taken;
}

QString epePictureName(const QString &estimate, const QString &folder)
{
    const QString name = baseName(estimate) + QLatin1String("_epe.png");
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}
