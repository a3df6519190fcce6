#include "reading_ahead_watch.h"

#include "reading_ahead.h"
#include "vek_zandor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>

ReadingAheadWatch::ReadingAheadWatch(Vek_Zandor &window) : window_(window)
{
    window_.readingAhead()->setObserver(this);
}

ReadingAheadWatch::~ReadingAheadWatch()
{
    window_.readingAhead()->setObserver(nullptr);
}

void ReadingAheadWatch::waitForNeighbours()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60'000) {
        QCoreApplication::processEvents();
        std::unique_lock<std::mutex> lock(mutex_);
        if (!busy_)
            return;
        changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

int ReadingAheadWatch::kept()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return kept_;
}

int ReadingAheadWatch::taken()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void ReadingAheadWatch::workChanged(bool busy, int kept)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        busy_ = busy;
        if (!busy)
            kept_ = kept;
    }
    changed_.notify_all();
}

void ReadingAheadWatch::pictureTaken()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    ++taken_;
}
