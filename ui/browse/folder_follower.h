#ifndef FOLDER_FOLLOWER_H
#define FOLDER_FOLLOWER_H

#include "disk_stamp.h"
#include "settle_watch.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class LiveReload;
class QAction;
class QMainWindow;
class ViewerDocument;
struct ToolContext;

// Keeps the folder's listing current while files appear in it or go, so that stepping and End
// reach the newest file, and, while "Follow Newest" is on, opens a new file of the listing's
// type once it reads whole: a run's latest output comes to the screen by itself. Both work
// while either watch action is on.
class FolderFollower : public QObject
{
    Q_OBJECT

public:
    // Problems go to the status bar through reload, which clears them once a picture shows.
    FolderFollower(const ToolContext &tools, LiveReload *reload);

    QAction *followAction() const { return follow_; }
    // The new file that opens once it reads whole; empty when none waits.
    QString candidate() const { return candidate_; }
    const SettleWatch &settleWatch() const { return watch_; }

private:
    bool active() const;
    void loadFinished(bool shown);
    void toggled();
    void rewatch();
    void folderChanged(const QString &folder);
    // Takes the folder's names again; new ones become the candidate when asked to.
    void refreshListing(bool followNew);
    void candidateSettled(const QString &file);

    ViewerDocument *const document_;
    LiveReload *const reload_;
    QAction *const watchFile_;
    QAction *follow_;
    SettleWatch watch_;
    // Retries an open that had to wait for a dialog to close.
    QTimer retry_;
    QString folder_;      // the listing's folder
    QString filter_;      // the name filter it was taken with
    QStringList written_; // the listing as it was last seen or left here
    QStringList seen_;    // the folder's names at the last look
    QString candidate_;
    DiskStamp tried_;
};

#endif // FOLDER_FOLLOWER_H
