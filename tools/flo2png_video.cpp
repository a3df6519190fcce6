#include "flo2png_video.h"

#include "blend_frames.h"
#include "picture_folders.h"
#include "cli_common.h"
#include "progress_line.h"
#include "sequence_video.h"

#include <csignal>
#include <memory>

namespace {

const QString kTool = QStringLiteral("flo2png");

volatile std::sig_atomic_t interruptedBy = 0;

extern "C" void noteInterrupt(int signal)
{
    interruptedBy = signal;
}

// Turns SIGINT and SIGTERM into a request to stop, for as long as it lives.
class InterruptWatch
{
public:
    InterruptWatch()
    {
        interruptedBy = 0;
        struct sigaction action = {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~InterruptWatch()
    {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

private:
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};

class LineProgress : public SequenceProgress
{
public:
    explicit LineProgress(bool enabled) : enabled_(enabled) {}

    void pass(const QString &, int total) override
    {
        line_ = std::make_unique<ProgressLine>(enabled_, total);
    }
    bool done(int index, const QString &input) override
    {
        line_->show(index + 1, input);
        return interruptedBy == 0;
    }
    void message(const QString &text)
    {
        if (line_)
            line_->message(text);
        else
            printTo(stderr, text + QLatin1Char('\n'));
    }

private:
    bool enabled_;
    std::unique_ptr<ProgressLine> line_;
};

} // namespace

bool videoJob(const Flo2PngOptions &o, SequenceVideoJob *job, QString *error)
{
    job->inputs = o.inputs;
    job->rule = kInputRule;
    job->output = o.video;
    job->fps = o.fps;
    job->scale = o.autoScale        ? SequenceScaleKind::LongestVector
                 : o.percentile > 0 ? SequenceScaleKind::Percentile
                                    : SequenceScaleKind::OpeningCutoff;
    job->cutoff = o.cutoff;
    job->percentile = o.percentile;
    job->perFrame = o.perFrame;
    job->legend = o.legend;
    job->arrows = o.arrows;
    job->arrowStep = o.arrowStep;
    job->opacity = o.opacity;
    job->threads = o.threads;
    job->frames.clear();
    if (o.blendDir.isEmpty())
        return true;
    PictureFolders folders;
    for (qsizetype i = 0; i < o.inputs.size(); ++i) {
        const QString frame = findBlendFrame(folders, o.blendDir, o.relativeNames.value(i), error);
        if (frame.isEmpty()) {
            *error = inputMessage(kTool, o.inputs.at(i), *error);
            return false;
        }
        job->frames << frame;
    }
    return true;
}

int runFlo2PngVideo(const Flo2PngOptions &o)
{
    SequenceVideoJob job;
    QString error;
    const QString notWritten = QStringLiteral("%1: %2 not written").arg(kTool, o.video);
    if (!videoJob(o, &job, &error)) {
        printTo(stderr, error + QLatin1Char('\n') + notWritten + QLatin1Char('\n'));
        return kSomeFailed;
    }
    const InterruptWatch watch;
    LineProgress progress(!o.quiet && o.inputs.size() > kFewInputs);
    try {
        if (writeSequenceVideo(job, progress))
            return kAllWritten;
    } catch (const SequenceFailure &failure) {
        progress.message(failure.file.isEmpty()
                             ? QStringLiteral("%1: %2").arg(kTool, failure.message)
                             : inputMessage(kTool, failure.file, failure.message));
        progress.message(notWritten);
        return kSomeFailed;
    }
    progress.message(QStringLiteral("%1: interrupted; %2 not written").arg(kTool, o.video));
    return 128 + int(interruptedBy);
}
