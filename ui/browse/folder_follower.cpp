#include "folder_follower.h"

#include "listing_refresh.h"
#include "live_reload.h"
#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QSet>
#include <QToolBar>

#include <optional>

FolderFollower::FolderFollower(const ToolContext &tools, LiveReload *reload)
    : QObject(tools.window), document_(tools.document), reload_(reload),
      watchFile_(reload->watchAction())
{
    QMainWindow *window = tools.window;
    follow_ = new QAction(tr("Follow Newest"), window);
    follow_->setObjectName(QStringLiteral("actionFollowNewest"));
    follow_->setCheckable(true);
    follow_->setToolTip(tr("Open each new file of the folder once it is complete"));
    follow_->setStatusTip(follow_->toolTip());
    tools.host->toolBar()->addAction(follow_);

    connect(follow_, &QAction::toggled, this, &FolderFollower::toggled);
    connect(watchFile_, &QAction::toggled, this, &FolderFollower::toggled);
    retry_.setSingleShot(true);
    retry_.setInterval(SettleWatch::kSettleMs);
    connect(&retry_, &QTimer::timeout, this, [this] { candidateSettled(candidate_); });
    connect(&watch_, &SettleWatch::folderChanged, this, &FolderFollower::folderChanged);
    connect(&watch_, &SettleWatch::fileSettled, this, &FolderFollower::candidateSettled);
    connect(document_, &ViewerDocument::loadFinished, this, &FolderFollower::loadFinished);
}

bool FolderFollower::active() const
{
    return watchFile_->isChecked() || follow_->isChecked();
}

void FolderFollower::loadFinished(bool shown)
{
    const ViewerDocument &d = *document_;
    // Opening by name lists the folder of the file opened, whether or not it then reads.
    if (d.folder() != folder_ || d.listing() != written_) {
        folder_ = d.folder();
        written_ = d.listing();
        seen_ = d.listing();
        filter_ = d.path().isEmpty() ? QString() : QStringLiteral("*.%1").arg(d.path().right(3));
        candidate_.clear();
    }
    if (shown && candidate_ == d.shownPath())
        candidate_.clear();
    rewatch();
}

// What appeared while nothing watched is not new from now on, but the listing takes it in.
void FolderFollower::toggled()
{
    if (!follow_->isChecked())
        candidate_.clear();
    if (active())
        refreshListing(false);
    rewatch();
}

void FolderFollower::rewatch()
{
    QStringList files;
    if (follow_->isChecked() && !candidate_.isEmpty())
        files << candidate_;
    QStringList folders;
    if (active() && !folder_.isEmpty())
        folders << folder_;
    watch_.watch(files, folders);
}

void FolderFollower::folderChanged(const QString &folder)
{
    if (folder == folder_ && active())
        refreshListing(true);
}

void FolderFollower::refreshListing(bool followNew)
{
    ViewerDocument &d = *document_;
    // A listing taken by an open since is newer than anything this could give.
    if (folder_.isEmpty() || filter_.isEmpty() || d.folder() != folder_ || d.listing() != written_)
        return;
    const QStringList fresh = QDir(folder_).entryList({filter_}, QDir::Files, QDir::Name);
    const Listing listing = refreshedListing(d.listing(), d.index(), fresh);
    d.updateListing(listing.files, listing.index);
    written_ = listing.files;

    const QSet<QString> before(seen_.cbegin(), seen_.cend());
    QString newest;
    for (const QString &name : fresh)
        if (!before.contains(name))
            newest = name;
    seen_ = fresh;

    if (!candidate_.isEmpty() && !fresh.contains(QFileInfo(candidate_).fileName()))
        candidate_.clear();
    if (followNew && follow_->isChecked() && !newest.isEmpty()) {
        candidate_ = folder_ + QLatin1Char('/') + newest;
        tried_ = DiskStamp();
        rewatch();
        // A file renamed into the folder complete will not change again.
        watch_.touch(candidate_);
        return;
    }
    rewatch();
}

void FolderFollower::candidateSettled(const QString &file)
{
    if (file.isEmpty() || file != candidate_ || !follow_->isChecked())
        return;
    if (QApplication::activeModalWidget()) {
        retry_.start();
        return;
    }
    const DiskStamp now = DiskStamp::of(file);
    if (now == tried_)
        return;
    tried_ = now;

    const QString message = document_->showKeepingPicture(file);
    if (!message.isEmpty())
        reload_->showProblem(LiveReload::waitingText(message));
}
