#ifndef NEIGHBOUR_PREFETCH_H
#define NEIGHBOUR_PREFETCH_H

#include "disk_stamp.h"
#include "flow_scale.h"
#include "picture_loader.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// What decides how a file is drawn when it is loaded: a prefetched picture is only good for the
// load it was made for.
struct PrefetchRules {
    std::optional<int> cutoff; // the kept cutoff, or none for the file's opening cutoff
    ColourScale scale = ColourScale::Cutoff;
    bool showChannels = false;

    friend bool operator==(const PrefetchRules &a, const PrefetchRules &b)
    {
        return a.cutoff == b.cutoff && a.scale == b.scale && a.showChannels == b.showChannels;
    }
    friend bool operator!=(const PrefetchRules &a, const PrefetchRules &b) { return !(a == b); }
};

// What reading ahead does, for whoever must wait for it or count what it keeps.
class ReadingAheadObserver
{
public:
    virtual ~ReadingAheadObserver() = default;
    // Reading ahead has work in hand, or has none left and keeps this many pictures for a
    // step. Called on the window's thread or on the reading thread.
    virtual void workChanged(bool busy, int kept) = 0;
    // A load was given a picture made ahead.
    virtual void pictureTaken() = 0;
};

// Up to this many pixels a picture is made whole ahead, so that a step has nothing left to do;
// a larger one keeps only what takes long (at most 14 bytes a pixel more for each of two
// neighbours) and is finished at the step.
constexpr std::int64_t kWholeAheadPixels = std::int64_t(1) << 21;

// Reads the files next to the one on screen on a thread of its own, so that a step onto one
// only has to finish it: at most two pictures are kept, made ahead (loadPictureAhead), each
// with the version of its file it was read from. A picture is given out only for the same path
// and rules while its file is still that version; a failed read is kept too, so that the step
// shows the same box a load would.
class NeighbourPrefetch
{
public:
    NeighbourPrefetch();
    ~NeighbourPrefetch();
    NeighbourPrefetch(const NeighbourPrefetch &) = delete;
    NeighbourPrefetch &operator=(const NeighbourPrefetch &) = delete;

    // False when the environment variable FLOWVIEWER_NO_PREFETCH is set to anything.
    static bool wanted();

    // Forgets every picture but those of paths under rules, and makes the missing ones in the
    // order given. Never waits for the thread.
    void prefetch(const QStringList &paths, const PrefetchRules &rules);
    // Forgets everything, and what is being made is thrown away when done.
    void clear();

    // The outcome made for path under rules, when its file has not changed since; a picture
    // still being made for them is waited for, which takes no longer than loading it anew.
    // Whatever was kept for path is forgotten.
    std::optional<LoadOutcome> take(const QString &path, const PrefetchRules &rules);

    // Told whenever the work in hand starts or ends; null for none.
    void setObserver(ReadingAheadObserver *observer);

private:
    struct Job {
        QString path;
        PrefetchRules rules;
        quint64 round = 0;
    };
    struct Made {
        QString path;
        PrefetchRules rules;
        DiskStamp stamp;
        LoadOutcome outcome;
    };

    void run();
    // Tells the observer whether anything is left to do; under the lock.
    void reportWork();
    bool isBusyWith(const QString &path, const PrefetchRules &rules) const;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::optional<Job> making_;
    std::vector<Made> made_;
    // Pictures no longer wanted, freed by the thread: unmapping their memory costs a step time.
    std::vector<Made> dropped_;
    quint64 round_ = 0;
    ReadingAheadObserver *observer_ = nullptr;
    std::int64_t wholeAheadPixels_ = kWholeAheadPixels;
    bool stopping_ = false;
    friend class ReadingAheadProbe;
    std::thread thread_; // last: it starts once everything above exists
};

#endif // NEIGHBOUR_PREFETCH_H
