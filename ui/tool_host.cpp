#include "tool_host.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QMainWindow>
#include <QScrollArea>
#include <QToolBar>

ToolHost::ToolHost(QMainWindow *window, QBoxLayout *panelLayout) : QObject(window), window_(window)
{
    toolBar_ = new QToolBar(tr("Flow Tools"), window);
    toolBar_->setObjectName(QStringLiteral("flowToolsBar"));
    window->addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->installEventFilter(this);
    toolBarContentChanged();

    auto *groups = new QWidget;
    groupLayout_ = new QVBoxLayout(groups);
    groupLayout_->setContentsMargins(0, 0, 0, 0);
    groupLayout_->addStretch(1);
    groupArea_ = new QScrollArea;
    groupArea_->setObjectName(QStringLiteral("panelGroupArea"));
    groupArea_->setFrameShape(QFrame::NoFrame);
    groupArea_->setWidgetResizable(true);
    groupArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    groupArea_->setWidget(groups);
    groupArea_->setVisible(false);
    panelLayout->addWidget(groupArea_);
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
}

bool ToolHost::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == toolBar_ &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved))
        toolBarContentChanged();
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
