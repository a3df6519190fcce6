#ifndef ROW_BANDS_H
#define ROW_BANDS_H

#include <cstdint>
#include <utility>

// The rows of one flow shared out between threads. Every row is worked exactly as a single
// thread works it, so the bands change nothing but the time: the callers keep per-band state
// (the colour kernels' exact answers, partial counts) and combine it in band order.

// Below this many pixels a band is not worth a thread: starting and joining one costs about
// as much as colouring 20,000 pixels.
constexpr std::int64_t kMinBandPixels = std::int64_t(1) << 17;

// Two where the machine has two cores or more, else one.
int defaultBandThreads();

// How many threads one call may use, and the fewest pixels worth a band of its own.
struct BandPlan {
    int threads = defaultBandThreads();
    std::int64_t minPixels = kMinBandPixels;
};

// A plan that keeps everything on the calling thread.
inline BandPlan singleBand()
{
    return BandPlan{1, kMinBandPixels};
}

// The plan for each item of a batch of items on at most threads threads: the threads its
// workers leave over, so that the whole never uses more than it was given (-j1 is one thread).
BandPlan bandsPerItem(int threads, int items);

// The number of bands of whole rows for rows x cols under plan: at least 1, at most the
// threads, the rows, and as many as hold minPixels each.
int bandCount(const BandPlan &plan, int rows, int cols);

// Band b of count over [0, rows): the rows split as evenly as they go, in order.
struct RowRange {
    int begin = 0;
    int end = 0;
};
RowRange bandRows(int rows, int count, int band);

// Runs call(context, band) for every band of count and returns when all are done: band 0 on
// the calling thread, the others on threads started for this call. A band whose thread
// cannot be started runs on the calling thread afterwards. An exception from any band is
// rethrown here once all are done (the first band's first).
void runBands(int count, void (*call)(void *, int), void *context);

// runBands for any callable taking the band index.
template <class Work> void forEachBand(int count, Work &&work)
{
    runBands(
        count, [](void *context, int band) { (*static_cast<Work *>(context))(band); },
        const_cast<void *>(static_cast<const void *>(&work)));
}

#endif // ROW_BANDS_H
