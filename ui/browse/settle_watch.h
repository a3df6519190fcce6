#ifndef SETTLE_WATCH_H
#define SETTLE_WATCH_H

#include "disk_stamp.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

#include <map>

class QTimer;

// Watches files and folders on disk, and tells when a watched file has been left alone long
// enough after a change to be read whole. A file stays watched under its name when it is
// replaced by rename or deleted and written again, as scripts that write results do.
class SettleWatch : public QObject
{
    Q_OBJECT

public:
    // Writers pause between pieces for less than this; a file untouched for so long is taken
    // as finished, for now.
    static constexpr int kSettleMs = 200;

    explicit SettleWatch(QObject *parent = nullptr);

    // Watches exactly these files and folders from now on.
    void watch(const QStringList &files, const QStringList &folders);
    QStringList files() const;
    QStringList folders() const { return folders_; }

    // Counts a watched file as changed now: it settles after the settle time unless it
    // changes again.
    void touch(const QString &file);

signals:
    // The file changed, and has been left alone for the settle time since.
    void fileSettled(const QString &file);
    // Names appeared in the folder, went from it, or were renamed.
    void folderChanged(const QString &folder);

private:
    struct Watched {
        DiskStamp armed; // the file the watch is on
        QTimer *timer = nullptr;
    };

    void fileChanged(const QString &file);
    void directoryChanged(const QString &folder);
    void arm(const QString &file, Watched &watched);
    void settleTimeUp(const QString &file);

    QFileSystemWatcher watcher_;
    std::map<QString, Watched> files_;
    QStringList folders_;
};

#endif // SETTLE_WATCH_H
