#include "row_bands.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

int defaultBandThreads()
{
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

BandPlan bandsPerItem(int threads, int items)
{
    const int workers = std::max(1, std::min(threads, items));
    return BandPlan{std::clamp(threads / workers, 1, defaultBandThreads()), kMinBandPixels};
}

int bandCount(const BandPlan &plan, int rows, int cols)
{
    if (rows <= 1 || cols <= 0 || plan.threads <= 1)
        return 1;
    const std::int64_t pixels = std::int64_t(rows) * cols;
    const std::int64_t worth = pixels / std::max<std::int64_t>(1, plan.minPixels);
    return int(std::max<std::int64_t>(1, std::min<std::int64_t>({plan.threads, rows, worth})));
}

RowRange bandRows(int rows, int count, int band)
{
    const auto edge = [rows, count](int b) {
        return int(std::int64_t(rows) * b / std::max(1, count));
    };
    return {edge(band), edge(band + 1)};
}

void runBands(int count, void (*call)(void *, int), void *context)
{
    if (count <= 1) {
        call(context, 0);
        return;
    }
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    const auto guarded = [&](int band) {
        try {
            call(context, band);
        } catch (...) {
            failures[std::size_t(band)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<int> left; // bands no thread could be started for
    threads.reserve(std::size_t(count - 1));
    for (int band = 1; band < count; ++band) {
        try {
            threads.emplace_back(guarded, band);
        } catch (const std::system_error &) {
            left.push_back(band);
        }
    }
    guarded(0);
    for (int band : left)
        guarded(band);
    for (std::thread &thread : threads)
        thread.join();
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}
