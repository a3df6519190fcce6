#include "tool_host.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QMainWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>

ToolHost::ToolHost(QMainWindow *window, QBoxLayout *panelLayout) : QObject(window), window_(window)
{
    toolBar_ = new QToolBar(tr("Flow Tools"), window);
    toolBar_->setObjectName(QStringLiteral("flowToolsBar"));
    window->addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->installEventFilter(this);
    toolBarContentChanged();

    auto *groups = new QWidget;
    groups_ = groups;
    groupLayout_ = new QVBoxLayout(groups);
    groupLayout_->setContentsMargins(0, 0, 0, 0);
    // The groups keep the height they need and the area scrolls: squeezed, their rows would
    // overlap, and move under the pointer whenever a label changes its height.
    groupLayout_->setSizeConstraint(QLayout::SetMinimumSize);
    groupLayout_->addStretch(1);
    groupArea_ = new QScrollArea;
    groupArea_->setObjectName(QStringLiteral("panelGroupArea"));
    groupArea_->setFrameShape(QFrame::NoFrame);
    groupArea_->setWidgetResizable(true);
    groupArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    groupArea_->setWidget(groups);
    groups->installEventFilter(this);
    groupArea_->setVisible(false);
    // The groups take the room the panel has to spare; the form's own widgets keep theirs.
    panelLayout->addWidget(groupArea_, 1);
}

void ToolHost::addTool(QAction *action, std::function<bool()> enabledWhen)
{
    toolBar_->addAction(action);
    window_->addAction(action);
    action->setEnabled(enabledWhen());
    tools_.append({action, std::move(enabledWhen)});
}

void ToolHost::updateActions()
{
    for (const auto &tool : std::as_const(tools_))
        tool.first->setEnabled(tool.second());
}

void ToolHost::addPanelGroup(QWidget *group)
{
    // Before the stretch, so that the groups stay together at the top.
    groupLayout_->insertWidget(groupLayout_->count() - 1, group);
    groupArea_->setVisible(true);
    fitGroupWidth();
}

// The area scrolls only up and down: it is kept as wide as its widest group, whose texts may
// change at any time, and so widens the panel.
void ToolHost::fitGroupWidth()
{
    groupArea_->setMinimumWidth(groupArea_->widget()->minimumSizeHint().width() +
                                groupArea_->verticalScrollBar()->sizeHint().width());
}

void ToolHost::revealPanelGroup(QWidget *group)
{
    // From its title down, as far as the area reaches.
    groupArea_->verticalScrollBar()->setValue(group->y());
}

bool ToolHost::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == toolBar_ &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved))
        toolBarContentChanged();
    // By the pointer kept: while the area is destroyed, its children's events still come here
    // and the area can no longer be asked for its widget.
    else if (watched == groups_ && event->type() == QEvent::LayoutRequest)
        fitGroupWidth();
    return QObject::eventFilter(watched, event);
}

// The toolbar shows when it first gets an action; a user who hides it later keeps it hidden.
void ToolHost::toolBarContentChanged()
{
    const bool empty = toolBar_->actions().isEmpty();
    toolBar_->toggleViewAction()->setVisible(!empty);
    if (empty)
        toolBar_->setVisible(false);
    else if (toolBarEmpty_)
        toolBar_->setVisible(true);
    toolBarEmpty_ = empty;
}
