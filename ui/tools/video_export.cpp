#include "video_export.h"

#include "blend_frames.h"
#include "picture_folders.h"
#include "frame_blend.h"
#include "playback.h"
#include "sequence_video.h"
#include "tool_context.h"
#include "tool_host.h"
#include "video_encoder.h"
#include "viewer_document.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>

namespace {

// The dialog's bar over the passes of an export, and its Cancel button.
class DialogProgress : public SequenceProgress
{
public:
    explicit DialogProgress(QProgressDialog &dialog) : dialog_(dialog) {}

    void pass(const QString &name, int total) override
    {
        dialog_.setLabelText(name == QLatin1String("Scale")
                                 ? VideoExport::tr("Finding one scale for all frames...")
                                 : VideoExport::tr("Drawing and encoding the frames..."));
        dialog_.setMaximum(total);
        dialog_.setValue(0);
    }
    bool done(int index, const QString &) override
    {
        dialog_.setValue(index + 1);
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog &dialog_;
};

} // namespace

VideoExport::VideoExport(const ToolContext &tools, QAction *legend, QAction *arrows,
                         FrameBlend *blend, Playback *playback)
    : QObject(tools.window), window_(tools.window), document_(tools.document), legend_(legend),
      arrows_(arrows), blend_(blend), playback_(playback)
{
    action_ = new QAction(tr("Export Video..."), window_);
    action_->setObjectName(QStringLiteral("actionExportVideo"));
    action_->setToolTip(tr("Write the folder's flows as one video, drawn as shown now"));
    action_->setStatusTip(action_->toolTip());
    ViewerDocument *document = document_;
    tools.host->addTool(
        action_, [document] { return document->showsFlow() && !document->listing().isEmpty(); });
    connect(action_, &QAction::triggered, this, &VideoExport::chooseAndExport);
}

void VideoExport::chooseAndExport()
{
    if (playback_)
        playback_->pause();
    const QDir folder(document_->folder());
    const QString suggested = folder.filePath(folder.dirName() + QStringLiteral(".mp4"));
    const QString path = QFileDialog::getSaveFileName(window_, tr("Export Video"), suggested,
                                                      tr("Videos (*.mp4 *.webm)"));
    if (!path.isEmpty())
        exportTo(path);
}

bool VideoExport::makeJob(const QString &path, SequenceVideoJob *job)
{
    const auto refuse = [this](const QString &text) {
        QMessageBox::warning(window_, tr("Export Video"), text);
        return false;
    };
    if (!videoCodecForName(QFile::encodeName(path).toStdString()))
        return refuse(tr("A video's name ends in .mp4 (H.264) or .webm (VP9): %1").arg(path));
    const QDir folder(document_->folder());
    for (const QString &name : document_->listing())
        job->inputs << folder.filePath(name);
    if (job->inputs.contains(QFileInfo(path).absoluteFilePath()))
        return refuse(tr("%1 would be written over one of the flows").arg(path));
    job->rule = FlowRule::FloByName;
    job->output = path;
    job->fps = playback_ ? playback_->fps() : 10;
    switch (document_->scale()) {
    case ColourScale::Cutoff:
        job->scale = SequenceScaleKind::OpeningCutoff;
        job->cutoff = document_->keep() ? document_->cutoff() : -1;
        break;
    case ColourScale::LongestVector:
        job->scale = SequenceScaleKind::LongestVector;
        break;
    case ColourScale::Percentile99:
        job->scale = SequenceScaleKind::Percentile;
        job->percentile = 99;
        break;
    }
    job->legend = legend_ && legend_->isChecked();
    job->arrows = arrows_ && arrows_->isChecked();
    if (blend_ && blend_->isOn() && !blend_->framePath().isEmpty()) {
        const QString frames = QFileInfo(blend_->framePath()).path();
        job->opacity = blend_->opacity();
        PictureFolders folders;
        for (const QString &name : document_->listing()) {
            QString error;
            const QString frame = findBlendFrame(folders, frames, name, &error);
            if (frame.isEmpty())
                return refuse(tr("%1: %2").arg(folder.filePath(name), error));
            job->frames << frame;
        }
    }
    job->threads = QThread::idealThreadCount();
    return true;
}

bool VideoExport::exportTo(const QString &path)
{
    SequenceVideoJob job;
    if (!makeJob(path, &job))
        return false;
    QProgressDialog dialog(tr("Exporting the video..."), tr("Cancel"), 0, int(job.inputs.size()),
                           window_);
    dialog.setWindowTitle(tr("Export Video"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    DialogProgress progress(dialog);
    bool written = false;
    try {
        written = writeSequenceVideo(job, progress);
    } catch (const SequenceFailure &failure) {
        dialog.close();
        const QString text = failure.file.isEmpty()
                                 ? failure.message
                                 : tr("%1: %2").arg(failure.file, failure.message);
        QMessageBox::warning(window_, tr("Export Video"),
                             tr("The video was not written.\n%1").arg(text));
        return false;
    }
    dialog.close();
    window_->statusBar()->showMessage(
        written ? tr("%1 frames written to %2").arg(job.inputs.size()).arg(path)
                : tr("Export cancelled: nothing written to %1").arg(path),
        5000);
    return written;
}
