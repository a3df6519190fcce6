#include "reading_ahead.h"

#include "cerror.h"
#include "picture_loader.h"

#include <QFileInfo>
#include <QTimer>

namespace {

// How long the cutoff rules must rest before the neighbours are read again for them: a slider
// dragged under Keep would otherwise read them at every value it passes.
constexpr int kRulesSettleMs = 300;

} // namespace

ReadingAhead::ReadingAhead(ViewerDocument *document) : QObject(document), document_(document)
{
    if (!NeighbourPrefetch::wanted())
        return;
    prefetch_ = std::make_unique<NeighbourPrefetch>();
    rulesSettle_ = new QTimer(this);
    rulesSettle_->setSingleShot(true);
    rulesSettle_->setInterval(kRulesSettleMs);
    connect(rulesSettle_, &QTimer::timeout, this, &ReadingAhead::prefetchNeighbours);
    // Once the load's own events are handled: the reading must not compete with the picture's
    // way to the screen for a core.
    afterLoad_ = new QTimer(this);
    afterLoad_->setSingleShot(true);
    afterLoad_->setInterval(0);
    connect(afterLoad_, &QTimer::timeout, this, &ReadingAhead::prefetchNeighbours);
    connect(document, &ViewerDocument::loadFinished, this, [this] { scheduled(afterLoad_); });
    const auto changed = [this] { scheduled(rulesSettle_); };
    connect(document, &ViewerDocument::keepChanged, this, changed);
    connect(document, &ViewerDocument::showChannelsChanged, this, changed);
    connect(document, &ViewerDocument::cutoffChanged, this, changed);
    connect(document, &ViewerDocument::scaleChanged, this, changed);
}

ReadingAhead::~ReadingAhead() = default;

void ReadingAhead::setObserver(ReadingAheadObserver *observer)
{
    observer_ = observer;
    if (prefetch_)
        prefetch_->setObserver(observer);
}

void ReadingAhead::scheduled(QTimer *timer)
{
    if (observer_)
        observer_->workChanged(true, 0);
    timer->start();
}

LoadOutcome ReadingAhead::load(const QString &path, std::optional<int> cutoff)
{
    if (prefetch_) {
        std::optional<LoadOutcome> made = prefetch_->take(path, rulesFor(cutoff));
        if (made) {
            if (observer_)
                observer_->pictureTaken();
            if (made->picture) {
                try {
                    completePicture(*made->picture);
                } catch (const CError &error) {
                    made->picture.reset();
                    made->failure.readerMessage = QString::fromLocal8Bit(error.text);
                }
            }
            return std::move(*made);
        }
    }
    return loadPictureFile(path, cutoff, document_->readBuffer(), document_->loadOptions());
}

PrefetchRules ReadingAhead::rulesFor(std::optional<int> cutoff) const
{
    return {cutoff, document_->scale(), document_->showChannels()};
}

void ReadingAhead::prefetchNeighbours()
{
    const ViewerDocument &d = *document_;
    const QStringList &files = d.listing();
    const int index = d.index();
    if (index < 0 || index >= files.size() || QFileInfo(d.path()).fileName() != files.at(index)) {
        prefetch_->clear();
        return;
    }
    // A step of -1 goes on to the next file.
    const bool forward = d.lastStep() <= 0;
    const int first = forward ? index + 1 : index - 1;
    QStringList paths;
    for (const int i : {first, 2 * index - first}) {
        if (i >= 0 && i < files.size())
            paths << d.folder() + QLatin1Char('/') + files.at(i);
    }
    prefetch_->prefetch(paths, rulesFor(d.keep() ? std::optional<int>(d.cutoff()) : std::nullopt));
}
