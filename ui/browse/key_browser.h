#ifndef KEY_BROWSER_H
#define KEY_BROWSER_H

#include "pending_steps.h"

#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;
class QWidget;
class ViewerDocument;
struct ToolContext;

// Stepping through the folder from the keyboard: Right, Page Down and Space go to the next
// file, Left, Page Up and Backspace to the previous one, Home and End to the first and the
// last. Each takes the window's stepping branch as a wheel notch does. Steps that arrive while
// a load runs are gathered into one load.
class KeyBrowser : public QObject
{
    Q_OBJECT

public:
    explicit KeyBrowser(const ToolContext &tools);

    QAction *nextAction() const { return next_; }
    QAction *previousAction() const { return previous_; }
    QAction *firstAction() const { return first_; }
    QAction *lastAction() const { return last_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addKeyAction(const char *name, const QString &text, const QString &tip,
                          const QList<QKeySequence> &keys);
    // Loads once the events already waiting have been handled, so that the steps among them
    // join this one.
    void loadSoon();
    void load();

    QWidget *const window_;
    ViewerDocument *const document_;
    QAction *next_;
    QAction *previous_;
    QAction *first_;
    QAction *last_;
    PendingSteps pending_;
    bool loadQueued_ = false;
};

#endif // KEY_BROWSER_H
