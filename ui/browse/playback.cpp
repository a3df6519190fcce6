#include "playback.h"

#include "tool_context.h"
#include "tool_host.h"
#include "viewer_document.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMainWindow>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kFpsKey = QStringLiteral("playback/fps");
const QString kLoopKey = QStringLiteral("playback/loop");
constexpr int kDefaultFps = 10;
constexpr int kMaxFps = 60;
// How long a dialog is waited out before the next frame is tried again.
constexpr int kModalRetryMs = 50;
// The frames the shown rate is measured over.
constexpr std::size_t kRateFrames = 16;
// A frame this much behind its time counts as late: timers are not exact to the millisecond.
constexpr double kLateMs = 2;

} // namespace

Playback::Playback(const ToolContext &tools, const QList<QAction *> &pauseActions)
    : QObject(tools.window), window_(tools.window), document_(tools.document)
{
    play_ = new QAction(tr("Play"), window_);
    play_->setObjectName(QStringLiteral("actionPlay"));
    play_->setCheckable(true);
    play_->setShortcut(QKeySequence(Qt::Key_P));
    play_->setToolTip(tr("Play the folder's files in turn at the Playback rate (P)"));
    play_->setStatusTip(play_->toolTip());
    ViewerDocument *document = document_;
    tools.host->addTool(
        play_, [document] { return document->listing().size() > 1 && document->hasPicture(); });
    connect(play_, &QAction::toggled, this, &Playback::toggled);

    group_ = new QGroupBox(tr("Playback"));
    group_->setObjectName(QStringLiteral("playbackGroup"));
    auto *column = new QVBoxLayout(group_);
    fps_ = new QSpinBox(group_);
    fps_->setObjectName(QStringLiteral("playbackFps"));
    fps_->setRange(1, kMaxFps);
    fps_->setSuffix(tr(" fps"));
    fps_->setToolTip(tr("Frames per second while playing"));
    fps_->setValue(QSettings().value(kFpsKey, kDefaultFps).toInt());
    loop_ = new QCheckBox(tr("Loop"), group_);
    loop_->setObjectName(QStringLiteral("playbackLoop"));
    loop_->setToolTip(tr("Start again from the first file after the last"));
    loop_->setChecked(QSettings().value(kLoopKey, false).toBool());
    column->addWidget(fps_);
    column->addWidget(loop_);
    connect(fps_, &QSpinBox::valueChanged, this,
            [](int fps) { QSettings().setValue(kFpsKey, fps); });
    connect(loop_, &QCheckBox::toggled, this, [](bool on) { QSettings().setValue(kLoopKey, on); });

    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Playback::tick);
    connect(document_, &ViewerDocument::loadFinished, this, &Playback::loadFinished);
    for (QAction *action : pauseActions)
        connect(action, &QAction::triggered, this, &Playback::pause);
}

int Playback::fps() const
{
    return fps_->value();
}

void Playback::setFps(int fps)
{
    fps_->setValue(fps);
}

bool Playback::loops() const
{
    return loop_->isChecked();
}

void Playback::setLoop(bool on)
{
    loop_->setChecked(on);
}

bool Playback::isPlaying() const
{
    return play_->isChecked();
}

void Playback::play()
{
    play_->setChecked(true);
}

void Playback::pause()
{
    play_->setChecked(false);
}

double Playback::shownRate() const
{
    if (shownAt_.size() < 2)
        return 0;
    const qint64 span = shownAt_.back() - shownAt_.front();
    return span > 0 ? 1000.0 * double(shownAt_.size() - 1) / double(span) : 0;
}

void Playback::toggled(bool on)
{
    if (!on) {
        timer_.stop();
        return;
    }
    shownAt_.clear();
    late_ = false;
    clock_.start();
    stepStart_ = 0;
    // Played from the last file, the folder starts again from its first.
    restart_ = document_->index() >= int(document_->listing().size()) - 1;
    schedule();
}

double Playback::nowMs() const
{
    return double(clock_.nsecsElapsed()) / 1e6;
}

// The next frame is due a period after this one's step began, at once when its load took
// longer: a slow frame lowers the rate and never lets ticks queue behind it, and no two steps
// start less than a period apart.
void Playback::schedule()
{
    const double due = stepStart_ + 1000.0 / fps();
    const double now = nowMs();
    late_ = due + kLateMs < now;
    timer_.start(int(std::ceil(std::max(0.0, due - now))));
    tellRate();
}

void Playback::tick()
{
    if (!isPlaying())
        return;
    if (QApplication::activeModalWidget()) {
        timer_.start(kModalRetryMs);
        return;
    }
    const int count = int(document_->listing().size());
    const int index = document_->index();
    if (count < 2 || index < 0) {
        pause();
        return;
    }
    int step = -1;
    if (restart_) {
        step = index;
    } else if (index >= count - 1) {
        if (!loops()) {
            pause();
            return;
        }
        step = index; // back to the first
    }
    restart_ = false;
    stepStart_ = nowMs();
    stepping_ = true;
    document_->step(step);
    stepping_ = false;
    if (isPlaying())
        schedule();
}

void Playback::loadFinished(bool shown)
{
    if (!isPlaying())
        return;
    if (!stepping_ || !shown) {
        pause();
        return;
    }
    shownAt_.push_back(clock_.elapsed());
    if (shownAt_.size() > kRateFrames)
        shownAt_.pop_front();
}

void Playback::tellRate()
{
    if (!late_ || shownAt_.size() < 2)
        return;
    window_->statusBar()->showMessage(
        tr("Playing at %1 fps, below the %2 asked: the frames are not ready sooner")
            .arg(shownRate(), 0, 'f', 1)
            .arg(fps()),
        2000);
}
