#include "neighbour_prefetch.h"

#include "cerror.h"
#include "flo_file.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace {

// A file changed within this long before it was read may change again within the same tick of
// the clock its modification time comes from, and then look unchanged: such a picture is not
// kept.
constexpr qint64 kSettledNs = 100'000'000;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

NeighbourPrefetch::NeighbourPrefetch() : thread_([this] { run(); })
{}

NeighbourPrefetch::~NeighbourPrefetch()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void NeighbourPrefetch::setObserver(ReadingAheadObserver *observer)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    observer_ = observer;
}

void NeighbourPrefetch::reportWork()
{
    if (observer_)
        observer_->workChanged(!queue_.empty() || making_ || !dropped_.empty(), int(made_.size()));
}

bool NeighbourPrefetch::wanted()
{
    return qEnvironmentVariableIsEmpty("FLOWVIEWER_NO_PREFETCH");
}

void NeighbourPrefetch::prefetch(const QStringList &paths, const PrefetchRules &rules)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++round_;
        queue_.clear();
        for (auto it = made_.begin(); it != made_.end();) {
            if (it->rules == rules && paths.contains(it->path)) {
                ++it;
                continue;
            }
            dropped_.push_back(std::move(*it));
            it = made_.erase(it);
        }
        for (const QString &path : paths) {
            const bool have = std::any_of(made_.begin(), made_.end(),
                                          [&](const Made &m) { return m.path == path; });
            if (have)
                continue;
            if (making_ && making_->path == path && making_->rules == rules)
                making_->round = round_;
            else
                queue_.push_back({path, rules, round_});
        }
        reportWork();
    }
    changed_.notify_all();
}

void NeighbourPrefetch::clear()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++round_;
        queue_.clear();
        std::move(made_.begin(), made_.end(), std::back_inserter(dropped_));
        made_.clear();
        reportWork();
    }
    changed_.notify_all();
}

bool NeighbourPrefetch::isBusyWith(const QString &path, const PrefetchRules &rules) const
{
    return making_ && making_->round == round_ && making_->path == path && making_->rules == rules;
}

std::optional<LoadOutcome> NeighbourPrefetch::take(const QString &path, const PrefetchRules &rules)
{
    std::optional<Made> found;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // Not begun yet: the load reads it itself rather than wait for the other neighbour.
        queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                    [&](const Job &job) { return job.path == path; }),
                     queue_.end());
        changed_.wait(lock, [&] { return !isBusyWith(path, rules); });
        const auto it =
            std::find_if(made_.begin(), made_.end(), [&](const Made &m) { return m.path == path; });
        if (it == made_.end())
            return std::nullopt;
        found = std::move(*it);
        made_.erase(it);
    }
    if (found->rules != rules || DiskStamp::of(path) != found->stamp)
        return std::nullopt;
    return std::move(found->outcome);
}

void NeighbourPrefetch::run()
{
    FloReadBuffer buffer;
    for (;;) {
        std::optional<Job> next;
        std::vector<Made> dropped;
        std::int64_t wholeAheadPixels = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !queue_.empty() || !dropped_.empty(); });
            if (stopping_)
                return;
            wholeAheadPixels = wholeAheadPixels_;
            dropped.swap(dropped_);
            if (!queue_.empty()) {
                next = queue_.front();
                queue_.pop_front();
                making_ = next;
            }
        }
        dropped.clear();
        if (!next) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                reportWork();
            }
            changed_.notify_all();
            continue;
        }
        const Job &job = *next;
        std::optional<Made> made;
        try {
            const DiskStamp before = DiskStamp::of(job.path);
            const qint64 readAt = nowNs();
            FlowLoadOptions options;
            options.scale = job.rules.scale;
            LoadOutcome outcome = loadPictureAhead(job.path, job.rules.cutoff, &buffer, options);
            if (outcome.picture &&
                std::int64_t(outcome.picture->rows) * outcome.picture->cols <= wholeAheadPixels) {
                try {
                    completePicture(*outcome.picture, singleBand());
                } catch (const CError &) {
                    // Out of memory: the step finishes it, and shows what that comes to.
                }
            }
            if (before == DiskStamp::of(job.path) &&
                (!before.exists || readAt - before.modifiedNs >= kSettledNs))
                made = Made{job.path, job.rules, before, std::move(outcome)};
        } catch (...) {
            // Out of memory outside the allocators' reach: the step will load the file itself.
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (made && making_->round == round_)
                made_.push_back(std::move(*made));
            making_.reset();
            reportWork();
        }
        changed_.notify_all();
    }
}
