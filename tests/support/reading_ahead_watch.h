#ifndef READING_AHEAD_WATCH_H
#define READING_AHEAD_WATCH_H

#include "neighbour_prefetch.h"

#include <condition_variable>
#include <mutex>

class Vek_Zandor;

// Follows a window's reading ahead from its construction on, so that a test or a measurement
// can wait for the neighbours of the last load and count what was kept and taken.
class ReadingAheadWatch : public ReadingAheadObserver
{
public:
    explicit ReadingAheadWatch(Vek_Zandor &window);
    ~ReadingAheadWatch() override;
    ReadingAheadWatch(const ReadingAheadWatch &) = delete;
    ReadingAheadWatch &operator=(const ReadingAheadWatch &) = delete;

    // Handles events until reading ahead has nothing in hand: the neighbours of the last load,
    // and of rules changed since, are made. Gives up after a minute.
    void waitForNeighbours();
    // Pictures kept when the work last ended, and pictures given to loads so far.
    int kept();
    int taken();

    void workChanged(bool busy, int kept) override;
    void pictureTaken() override;

private:
    Vek_Zandor &window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool busy_ = false;
    int kept_ = 0;
    int taken_ = 0;
};

#endif // READING_AHEAD_WATCH_H
