#ifndef ORDERED_BATCH_H
#define ORDERED_BATCH_H

// A batch of independent items worked on by several threads, whose results reach the caller
// in the items' order: messages, tables and pooled sums come out the same whatever the number
// of threads and whichever finished first.

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Runs work(item, worker) for every item in [0, count) on up to threads threads (worker is in
// [0, threads), so that each thread can own its buffers) and hands every result to
// deliver(item, result) on the calling thread, in item order. At most threads items are
// worked on at once, and an item starts only while fewer than 2 x threads results wait for
// delivery: a slow item never lets finished results pile up without bound. With one thread,
// or one item, everything runs on the calling thread. An exception from work or deliver stops
// the batch: no new item starts, the threads are joined, and it is rethrown to the caller.
template <class Result>
void runOrdered(int count, int threads, const std::function<Result(int item, int worker)> &work,
                const std::function<void(int item, Result &result)> &deliver)
{
    threads = std::max(1, std::min(threads, count));
    if (threads == 1) {
        for (int item = 0; item < count; ++item) {
            Result result = work(item, 0);
            deliver(item, result);
        }
        return;
    }

    struct Slot {
        std::optional<Result> result;
        std::exception_ptr error;
        bool done = false;
    };
    struct Shared {
        std::mutex mutex;
        std::condition_variable startable; // an item may start, or the batch stops
        std::condition_variable finished;  // a result is there
        std::vector<Slot> results;
        int next = 0;      // the first item not yet started
        int delivered = 0; // items handed to deliver
        bool stop = false;
    } shared;
    shared.results.resize(std::size_t(count));
    const int window = 2 * threads;

    auto worker = [&](int index) {
        for (;;) {
            int item;
            {
                std::unique_lock<std::mutex> lock(shared.mutex);
                shared.startable.wait(lock, [&] {
                    return shared.stop || shared.next >= count ||
                           shared.next < shared.delivered + window;
                });
                if (shared.stop || shared.next >= count)
                    return;
                item = shared.next++;
            }
            Slot slot;
            try {
                slot.result.emplace(work(item, index));
            } catch (...) {
                slot.error = std::current_exception();
            }
            slot.done = true;
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.results[std::size_t(item)] = std::move(slot);
            shared.finished.notify_all();
        }
    };

    // Joins the threads however the delivery loop ends.
    struct Crew {
        Shared &shared;
        std::vector<std::thread> threads;
        ~Crew()
        {
            {
                std::lock_guard<std::mutex> lock(shared.mutex);
                shared.stop = true;
            }
            shared.startable.notify_all();
            for (std::thread &t : threads)
                t.join();
        }
    } crew{shared, {}};
    for (int index = 0; index < threads; ++index)
        crew.threads.emplace_back(worker, index);

    for (int item = 0; item < count; ++item) {
        Slot slot;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            Slot &waiting = shared.results[std::size_t(item)];
            shared.finished.wait(lock, [&] { return waiting.done; });
            slot = std::move(waiting);
            waiting = Slot();
            shared.delivered = item + 1;
        }
        shared.startable.notify_all();
        if (slot.error)
            std::rethrow_exception(slot.error);
        deliver(item, *slot.result);
    }
}

// One T for each worker of runOrdered (a read buffer, scratch), made by the thread that first
// asks for it, so that no two threads ever share one.
template <class T> class PerWorker
{
public:
    explicit PerWorker(int threads) : items_(std::size_t(std::max(1, threads))) {}
    T &operator[](int worker)
    {
        std::unique_ptr<T> &item = items_.at(std::size_t(worker));
        if (!item)
            item = std::make_unique<T>();
        return *item;
    }

private:
    std::vector<std::unique_ptr<T>> items_;
};

#endif // ORDERED_BATCH_H
