#include "settle_watch.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

SettleWatch::SettleWatch(QObject *parent) : QObject(parent)
{
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &SettleWatch::fileChanged);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &SettleWatch::directoryChanged);
}

void SettleWatch::watch(const QStringList &files, const QStringList &folders)
{
    for (auto it = files_.begin(); it != files_.end();) {
        if (files.contains(it->first)) {
            ++it;
            continue;
        }
        watcher_.removePath(it->first);
        delete it->second.timer;
        it = files_.erase(it);
    }
    for (const QString &file : files) {
        if (file.isEmpty() || files_.count(file))
            continue;
        Watched &watched = files_[file];
        watched.timer = new QTimer(this);
        watched.timer->setSingleShot(true);
        watched.timer->setTimerType(Qt::PreciseTimer);
        connect(watched.timer, &QTimer::timeout, this, [this, file] { settleTimeUp(file); });
        arm(file, watched);
    }

    for (const QString &folder : folders_)
        if (!folders.contains(folder))
            watcher_.removePath(folder);
    for (const QString &folder : folders)
        if (!folder.isEmpty() && !folders_.contains(folder) && QFileInfo(folder).isDir())
            watcher_.addPath(folder);
    folders_ = folders;
    folders_.removeAll(QString());
}

QStringList SettleWatch::files() const
{
    QStringList names;
    for (const auto &entry : files_)
        names << entry.first;
    return names;
}

void SettleWatch::touch(const QString &file)
{
    const auto it = files_.find(file);
    if (it != files_.end())
        it->second.timer->start(kSettleMs);
}

// The watch follows an inode, not a name: once another file holds the name, it must be put on
// that one, or the writes to it would go unseen.
void SettleWatch::arm(const QString &file, Watched &watched)
{
    watched.armed = DiskStamp::of(file);
    watcher_.removePath(file);
    if (watched.armed.exists)
        watcher_.addPath(file);
}

void SettleWatch::fileChanged(const QString &file)
{
    const auto it = files_.find(file);
    if (it == files_.end())
        return;
    Watched &watched = it->second;
    if (!watched.armed.sameFile(DiskStamp::of(file)) || !watcher_.files().contains(file))
        arm(file, watched);
    watched.timer->start(kSettleMs);
}

// A rename into the folder, or a file written again after a delete, tells only the folder.
void SettleWatch::directoryChanged(const QString &folder)
{
    for (auto &entry : files_) {
        if (QFileInfo(entry.first).absolutePath() != folder)
            continue;
        if (!entry.second.armed.sameFile(DiskStamp::of(entry.first))) {
            arm(entry.first, entry.second);
            entry.second.timer->start(kSettleMs);
        }
    }
    emit folderChanged(folder);
}

void SettleWatch::settleTimeUp(const QString &file)
{
    const auto it = files_.find(file);
    if (it == files_.end())
        return;
    const DiskStamp now = DiskStamp::of(file);
    // Gone for now: the folder tells when a file of that name is back.
    if (!now.exists)
        return;
    // The notices may have come late or been merged; the file's own time has the last word.
    const qint64 age = QDateTime::currentMSecsSinceEpoch() - now.modifiedNs / 1000000;
    if (age >= 0 && age < kSettleMs) {
        it->second.timer->start(int(kSettleMs - age));
        return;
    }
    emit fileSettled(file);
}
