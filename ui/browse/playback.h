#ifndef PLAYBACK_H
#define PLAYBACK_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <deque>

class QAction;
class QCheckBox;
class QGroupBox;
class QMainWindow;
class QSpinBox;
class ViewerDocument;
struct ToolContext;

// Playing the folder: "Play" (P) steps through the listing at the Playback group's rate, 1 to
// 60 frames per second, looping or stopping at the end, both remembered. Each step is the
// document's, so reading ahead prepares the next frame and every tool follows. A frame that is
// not ready is waited for, never skipped: steps start a period apart, or one after another
// when a load takes longer, and the status bar says the rate dropped. Any other load (a stepping
// key, Reload, opening a file) pauses, and so does a load that fails, after its one box.
class Playback : public QObject
{
    Q_OBJECT

public:
    // pauseActions are the actions that step or reload on their own.
    Playback(const ToolContext &tools, const QList<QAction *> &pauseActions);

    QAction *action() const { return play_; }
    // For the Control Panel, below the flow's own groups.
    QGroupBox *group() const { return group_; }

    int fps() const;
    void setFps(int fps);
    bool loops() const;
    void setLoop(bool on);

    bool isPlaying() const;
    void play();
    void pause();
    // Frames per second shown over the last few frames played; 0 before two were shown.
    double shownRate() const;

private:
    void toggled(bool on);
    void tick();
    void loadFinished(bool shown);
    double nowMs() const;
    void schedule();
    void tellRate();

    QMainWindow *const window_;
    ViewerDocument *const document_;
    QAction *play_;
    QGroupBox *group_;
    QSpinBox *fps_;
    QCheckBox *loop_;
    QTimer timer_;
    QElapsedTimer clock_;
    double stepStart_ = 0;  // when the last step began, in milliseconds on clock_
    bool stepping_ = false; // the load under way is playback's own
    bool late_ = false;
    bool restart_ = false;
    std::deque<qint64> shownAt_;
};

#endif // PLAYBACK_H
