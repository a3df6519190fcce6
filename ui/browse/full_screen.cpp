#include "full_screen.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

FullScreenToggle::FullScreenToggle(QWidget *window) : QObject(window), window_(window)
{
    action_ = new QAction(tr("Full Screen"), window);
    action_->setObjectName(QStringLiteral("actionFullScreen"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(Qt::Key_F11));
    action_->setToolTip(tr("Fill the screen with the window, or bring it back"));
    action_->setStatusTip(action_->toolTip());
    window->addAction(action_);
    // The other state bits stay, so that a maximised window comes back maximised.
    connect(action_, &QAction::triggered, this,
            [this] { window_->setWindowState(window_->windowState() ^ Qt::WindowFullScreen); });
    window->installEventFilter(this);
}

bool FullScreenToggle::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window_ && event->type() == QEvent::WindowStateChange)
        action_->setChecked(window_->windowState() & Qt::WindowFullScreen);
    return QObject::eventFilter(watched, event);
}
