#ifndef FULL_SCREEN_H
#define FULL_SCREEN_H

#include <QObject>

class QAction;
class QWidget;

// F11: the window fills the screen, or comes back as it was, maximised or not. Its check mark
// follows the window's state, however that changed.
class FullScreenToggle : public QObject
{
    Q_OBJECT

public:
    explicit FullScreenToggle(QWidget *window);

    QAction *action() const { return action_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *const window_;
    QAction *action_;
};

#endif // FULL_SCREEN_H
