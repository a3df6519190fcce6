#ifndef WINDOW_MEMORY_H
#define WINDOW_MEMORY_H

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QAction;
class QAbstractButton;
class QDockWidget;
class QMainWindow;

// What the window remembers from one start to the next, in QSettings: its geometry, the
// places of its toolbars and of the Control Panel, Show Channels, the watch actions and the
// folder the open dialog was last used in. The file on screen is never remembered. Everything
// is written when the window closes and read when it is made.
class WindowMemory : public QObject
{
    Q_OBJECT

public:
    // Reads Show Channels and the open dialog's folder at once, before anything opens.
    // showChannels is restored and remembered; panel shows at start when flowMode is checked.
    WindowMemory(QMainWindow *window, QAbstractButton *showChannels, QDockWidget *panel,
                 QAction *flowMode);

    // action's check state comes back from key now, and goes there at the close.
    void rememberChecked(QAction *action, const QString &key);

    // Shows the window as it was left, or maximised at the first start. The Control Panel
    // takes its remembered place, but shows only while a flow is on screen.
    void showWindow();

    // Where the open dialog starts when no file is current: the folder of the file last
    // chosen in it, empty for the dialog's own choice.
    QString openFolder() const { return openFolder_; }
    void rememberOpenFolder(const QString &chosenFile);

    void save() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow *const window_;
    QAbstractButton *const showChannels_;
    QDockWidget *const panel_;
    QAction *const flowMode_;
    QList<QPair<QAction *, QString>> checked_;
    QString openFolder_;
};

#endif // WINDOW_MEMORY_H
