#ifndef LIVE_RELOAD_H
#define LIVE_RELOAD_H

#include "disk_stamp.h"
#include "settle_watch.h"

#include <QObject>
#include <QTimer>

class QAction;
class QMainWindow;
class ViewerDocument;
struct ToolContext;

// Reading the shown file again: on F5, and by itself while "Watch File" is on, once a change
// on disk has settled. Either way the new picture replaces the shown one only when it reads
// whole, with the zoom, the view and the cutoff kept; otherwise the picture stays and the
// status bar says why.
class LiveReload : public QObject
{
    Q_OBJECT

public:
    explicit LiveReload(const ToolContext &tools);

    QAction *reloadAction() const { return reload_; }
    QAction *watchAction() const { return watchFile_; }
    const SettleWatch &settleWatch() const { return watch_; }

    // What F5 does. Returns whether a new picture is on screen.
    bool reload();

    // What the status bar says when a changed file could not be read yet.
    static QString waitingText(const QString &readerMessage);
    // Shows why a file could not be read, until the next picture is shown.
    void showProblem(const QString &message);

private:
    void loadFinished(bool shown);
    void rewatch();
    void settled(const QString &file);

    QMainWindow *const window_;
    ViewerDocument *const document_;
    QAction *reload_;
    QAction *watchFile_;
    SettleWatch watch_;
    // Retries a reload that had to wait for a dialog to close.
    QTimer retry_;
    // The file as it was before the last reload started here: a notice that changes nothing
    // of it (an attribute) does not read a half-written file once more.
    DiskStamp tried_;
    bool reloading_ = false;
    QString problem_;
};

#endif // LIVE_RELOAD_H
