#include "live_reload.h"

#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

LiveReload::LiveReload(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document)
{
    QMainWindow *window = tools.window;
    reload_ = new QAction(tr("Reload"), window);
    reload_->setObjectName(QStringLiteral("actionReload"));
    reload_->setShortcut(QKeySequence(Qt::Key_F5));
    reload_->setToolTip(tr("Read the shown file again"));
    reload_->setStatusTip(reload_->toolTip());
    window->addAction(reload_);
    connect(reload_, &QAction::triggered, this, [this] { reload(); });

    watchFile_ = new QAction(tr("Watch File"), window);
    watchFile_->setObjectName(QStringLiteral("actionWatchFile"));
    watchFile_->setCheckable(true);
    watchFile_->setChecked(true);
    watchFile_->setToolTip(tr("Show the file again whenever it changes on disk"));
    watchFile_->setStatusTip(watchFile_->toolTip());
    tools.host->toolBar()->addAction(watchFile_);
    connect(watchFile_, &QAction::toggled, this, &LiveReload::rewatch);

    retry_.setSingleShot(true);
    retry_.setInterval(SettleWatch::kSettleMs);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (!watch_.files().isEmpty())
            settled(watch_.files().first());
    });
    connect(&watch_, &SettleWatch::fileSettled, this, &LiveReload::settled);
    connect(document_, &ViewerDocument::loadFinished, this, &LiveReload::loadFinished);
}

bool LiveReload::reload()
{
    if (document_->shownPath().isEmpty())
        return false;
    const QString message = document_->reload();
    if (message.isEmpty())
        return true;
    showProblem(message);
    return false;
}

QString LiveReload::waitingText(const QString &readerMessage)
{
    return readerMessage + tr(" (waiting for the file to be complete)");
}

void LiveReload::loadFinished(bool shown)
{
    if (!shown)
        return;
    if (!reloading_)
        tried_ = DiskStamp();
    // Whatever was shown, a complaint about an earlier read no longer holds.
    QStatusBar *status = window_->statusBar();
    if (!problem_.isEmpty() && status->currentMessage() == problem_)
        status->clearMessage();
    problem_.clear();
    rewatch();
}

void LiveReload::showProblem(const QString &message)
{
    problem_ = message;
    window_->statusBar()->showMessage(message, 0);
}

void LiveReload::rewatch()
{
    const QString shown = document_->shownPath();
    if (!watchFile_->isChecked() || shown.isEmpty()) {
        watch_.watch({}, {});
        return;
    }
    // The folder as well: a file replaced by rename is announced there.
    watch_.watch({shown}, {QFileInfo(shown).absolutePath()});
}

void LiveReload::settled(const QString &file)
{
    if (!watchFile_->isChecked() || file != document_->shownPath())
        return;
    // A reload inside a dialog's own event loop would change the window under the code that
    // opened the dialog.
    if (QApplication::activeModalWidget()) {
        retry_.start();
        return;
    }
    const DiskStamp now = DiskStamp::of(file);
    if (now == tried_)
        return;
    tried_ = now;

    reloading_ = true;
    const QString message = document_->reload();
    reloading_ = false;
    if (!message.isEmpty())
        showProblem(waitingText(message));
}
