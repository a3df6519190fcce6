#ifndef VIDEO_EXPORT_H
#define VIDEO_EXPORT_H

#include <QObject>
#include <QString>

class FrameBlend;
class Playback;
class QAction;
class QMainWindow;
class ViewerDocument;
struct SequenceVideoJob;
struct ToolContext;

// "Export Video...": the shown folder's flows as one video (MP4 or WebM by the name's suffix),
// drawn as the viewer shows them now: its colour scale (one for all frames, or the kept
// cutoff), the legend and the arrows when they are on, the frames under the flows while
// blending, at the Playback rate. A progress dialog can cancel; nothing is left at the name
// then, nor when the export fails.
class VideoExport : public QObject
{
    Q_OBJECT

public:
    VideoExport(const ToolContext &tools, QAction *legend, QAction *arrows, FrameBlend *blend,
                Playback *playback);

    QAction *action() const { return action_; }

    // Asks for a name and exports.
    void chooseAndExport();
    // Exports to path; returns whether the video was written. Failures are shown in a box.
    bool exportTo(const QString &path);

private:
    // The job for path as the viewer shows the folder now, or false with a message shown.
    bool makeJob(const QString &path, SequenceVideoJob *job);

    QMainWindow *const window_;
    ViewerDocument *const document_;
    QAction *const legend_;
    QAction *const arrows_;
    FrameBlend *const blend_;
    Playback *const playback_;
    QAction *action_;
};

#endif // VIDEO_EXPORT_H
