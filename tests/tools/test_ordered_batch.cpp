// The ordered batch runner: results in item order whatever finishes first, the bounds on work
// in flight and results waiting, and a failure that stops the batch cleanly.

#include "ordered_batch.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// Later items finish first: item i sleeps longer the smaller i is within its group of four.
void unevenWork(int item)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1 + 3 * (3 - item % 4)));
}

} // namespace

class TestOrderedBatch : public QObject
{
    Q_OBJECT

private slots:
    void deliversInItemOrder_data();
    void deliversInItemOrder();
    void boundsWorkAndWaitingResults();
    void failureStopsTheBatch();
    void failureInDeliveryJoinsTheThreads();
};

void TestOrderedBatch::deliversInItemOrder_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("threads");
    QTest::newRow("no items") << 0 << 4;
    QTest::newRow("one thread") << 9 << 1;
    QTest::newRow("one item, many threads") << 1 << 8;
    QTest::newRow("two threads") << 23 << 2;
    QTest::newRow("more threads than items") << 5 << 16;
}

void TestOrderedBatch::deliversInItemOrder()
{
    QFETCH(int, count);
    QFETCH(int, threads);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> badWorker{0};
    QList<int> delivered;
    bool deliveredElsewhere = false;
    runOrdered<int>(
        count, threads,
        [&](int item, int worker) {
            if (worker < 0 || worker >= std::max(1, std::min(threads, count)))
                ++badWorker;
            unevenWork(item);
            return item * item;
        },
        [&](int item, int &result) {
            deliveredElsewhere |= std::this_thread::get_id() != caller;
            QCOMPARE(result, item * item);
            delivered << item;
        });
    QList<int> expected;
    for (int i = 0; i < count; ++i)
        expected << i;
    QCOMPARE(delivered, expected);
    QCOMPARE(badWorker.load(), 0);
    QVERIFY(!deliveredElsewhere);
}

void TestOrderedBatch::boundsWorkAndWaitingResults()
{
    // Item 0 is slow: the others may run ahead only until 2 x threads results wait.
    constexpr int kThreads = 3;
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    std::atomic<int> highestStarted{-1};
    int highestWhileFirstRan = -1;
    runOrdered<int>(
        40, kThreads,
        [&](int item, int) {
            const int now = ++running;
            int seen = mostRunning.load();
            while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) {
            }
            int high = highestStarted.load();
            while (item > high && !highestStarted.compare_exchange_weak(high, item)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(item == 0 ? 150 : 1));
            if (item == 0)
                highestWhileFirstRan = highestStarted.load();
            --running;
            return item;
        },
        [](int, int &) {});
    QVERIFY(mostRunning.load() <= kThreads);
    QVERIFY(mostRunning.load() >= 2); // the threads did work side by side
    // Items 1 to 5 ran ahead while item 0 slept, and no further.
    QCOMPARE(highestWhileFirstRan, 2 * kThreads - 1);
    QCOMPARE(highestStarted.load(), 39);
}

void TestOrderedBatch::failureStopsTheBatch()
{
    std::atomic<int> started{0};
    QList<int> delivered;
    bool thrown = false;
    try {
        runOrdered<int>(
            1000, 2,
            [&](int item, int) {
                ++started;
                if (item == 5)
                    throw std::runtime_error("item 5");
                return item;
            },
            [&](int item, int &) { delivered << item; });
    } catch (const std::runtime_error &error) {
        thrown = QByteArray(error.what()) == "item 5";
    }
    QVERIFY(thrown);
    QCOMPARE(delivered, (QList<int>{0, 1, 2, 3, 4}));
    QVERIFY(started.load() < 20); // no new item after the stop
}

void TestOrderedBatch::failureInDeliveryJoinsTheThreads()
{
    bool thrown = false;
    try {
        runOrdered<int>(
            500, 4, [](int item, int) { return item; },
            [](int item, int &) {
                if (item == 3)
                    throw std::logic_error("stop");
            });
    } catch (const std::logic_error &) {
        thrown = true;
    }
    QVERIFY(thrown);
}

QTEST_APPLESS_MAIN(TestOrderedBatch)
#include "test_ordered_batch.moc"
