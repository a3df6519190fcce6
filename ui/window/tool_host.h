#ifndef TOOL_HOST_H
#define TOOL_HOST_H

#include <QList>
#include <QObject>
#include <QPair>

#include <functional>

class QAction;
class QBoxLayout;
class QMainWindow;
class QScrollArea;
class QToolBar;
class QVBoxLayout;
class QWidget;

// The two places where controls beyond the window's own form go: the "Flow Tools" toolbar
// after the main toolbar, and groups below the Control Panel's own widgets, in a scroll area
// so that they never squeeze them. Each place stays out of sight while it holds nothing.
class ToolHost : public QObject
{
    Q_OBJECT

public:
    // panelLayout is the Control Panel's layout; the groups go below what it holds.
    ToolHost(QMainWindow *window, QBoxLayout *panelLayout);

    QToolBar *toolBar() const { return toolBar_; }

    // Puts action on the toolbar and on the window, so that its shortcut works wherever the
    // focus is, enabled while enabledWhen says so: updateActions asks every such action again.
    void addTool(QAction *action, std::function<bool()> enabledWhen);
    void updateActions();

    // Appends a group to the Control Panel; the panel takes it over.
    void addPanelGroup(QWidget *group);
    // Scrolls the groups so that group shows from its top.
    void revealPanelGroup(QWidget *group);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void toolBarContentChanged();
    void fitGroupWidth();

    QToolBar *toolBar_;
    QScrollArea *groupArea_ = nullptr;
    QWidget *groups_ = nullptr; // the area's widget
    QVBoxLayout *groupLayout_ = nullptr;
    bool toolBarEmpty_ = true;
    QMainWindow *window_;
    QList<QPair<QAction *, std::function<bool()>>> tools_;
};

#endif // TOOL_HOST_H
