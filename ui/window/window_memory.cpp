#include "window_memory.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>

namespace {

const QString kGeometry = QStringLiteral("window/geometry");
const QString kState = QStringLiteral("window/state");
const QString kShowChannels = QStringLiteral("view/showChannels");
const QString kOpenFolder = QStringLiteral("openDialog/folder");

// Bumped when the toolbars or docks change so much that an old state would misplace them.
constexpr int kStateVersion = 1;

// QSettings needs the organisation's name to find its file; a program without one (a
// benchmark) remembers nothing.
bool haveSettings()
{
    return !QCoreApplication::organizationName().isEmpty();
}

} // namespace

WindowMemory::WindowMemory(QMainWindow *window, QAbstractButton *showChannels, QDockWidget *panel,
                           QAction *flowMode)
    : QObject(window), window_(window), showChannels_(showChannels), panel_(panel),
      flowMode_(flowMode)
{
    window->installEventFilter(this);
    if (!haveSettings())
        return;
    const QSettings settings;
    showChannels->setChecked(settings.value(kShowChannels, false).toBool());
    openFolder_ = settings.value(kOpenFolder).toString();
}

void WindowMemory::rememberChecked(QAction *action, const QString &key)
{
    checked_.append({action, key});
    if (haveSettings())
        action->setChecked(QSettings().value(key, action->isChecked()).toBool());
}

void WindowMemory::showWindow()
{
    QMainWindow &w = *window_;
    const QSettings settings;
    if (!haveSettings() || !w.restoreGeometry(settings.value(kGeometry).toByteArray())) {
        w.showMaximized();
        return;
    }
    w.restoreState(settings.value(kState).toByteArray(), kStateVersion);
    // A window left in full screen comes back as it was before it.
    w.setWindowState(w.windowState() & ~Qt::WindowFullScreen);
    // The panel's place is remembered; whether it shows follows what is on screen.
    panel_->setVisible(flowMode_->isChecked());
    w.show();
}

void WindowMemory::rememberOpenFolder(const QString &chosenFile)
{
    openFolder_ = QFileInfo(chosenFile).absolutePath();
}

void WindowMemory::save() const
{
    if (!haveSettings())
        return;
    QSettings settings;
    settings.setValue(kGeometry, window_->saveGeometry());
    settings.setValue(kState, window_->saveState(kStateVersion));
    settings.setValue(kShowChannels, showChannels_->isChecked());
    for (const auto &entry : checked_)
        settings.setValue(entry.second, entry.first->isChecked());
    if (!openFolder_.isEmpty())
        settings.setValue(kOpenFolder, openFolder_);
}

bool WindowMemory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window_ && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}
