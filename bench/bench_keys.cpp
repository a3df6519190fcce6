#include "bench_keys.h"

#include "key_browser.h"
#include "vek_zandor.h"
#include "viewer_document.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNames = 40;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

QString linkedFolder(const BenchFlow &flow, const QString &workDir, const QString &prefix,
                     int names)
{
    const QString folder = workDir + QLatin1Char('/') + prefix + flow.name;
    QDir().mkpath(folder);
    for (int i = 0; i < names; ++i) {
        const QString name = folder + QStringLiteral("/f%1.flo").arg(i, 3, 10, QLatin1Char('0'));
        if (!QFile::exists(name) &&
            ::link(QFile::encodeName(flow.floPath).constData(),
                   QFile::encodeName(name).constData()) != 0 &&
            !QFile::copy(flow.floPath, name)) {
            std::fprintf(stderr, "flowviewer-bench: cannot make %s\n", qPrintable(name));
            std::exit(1);
        }
    }
    return folder;
}

namespace {

QString folderOf(const BenchFlow &flow, const QString &workDir)
{
    return linkedFolder(flow, workDir, QStringLiteral("keys-"), kNames);
}

} // namespace

double benchKeyStep(const BenchFlow &flow, const QString &workDir, const TimingPlan &plan)
{
    Vek_Zandor w;
    openFlowOrExit(w, folderOf(flow, workDir) + QStringLiteral("/f000.flo"));
    auto *keys = w.findChild<KeyBrowser *>();
    int loads = 0;
    QObject::connect(w.document(), &ViewerDocument::loadFinished, &w, [&loads] { ++loads; });
    bool forward = true;
    const auto run = [&] {
        if (w.dirIndex >= kNames - 1)
            forward = false;
        else if (w.dirIndex <= 0)
            forward = true;
        const int before = loads;
        (forward ? keys->nextAction() : keys->previousAction())->trigger();
        QCoreApplication::sendPostedEvents(keys, QEvent::MetaCall);
        if (loads != before + 1 || !w.hasImage) {
            std::fprintf(stderr, "flowviewer-bench: a key step did not load\n");
            std::exit(1);
        }
    };
    const std::vector<double> medians =
        timeRoundRobin({run}, plan, [] { QCoreApplication::processEvents(); });
    return medians.front();
}

KeyHold benchKeyHold(const BenchFlow &flow, const QString &workDir, double seconds)
{
    Vek_Zandor w;
    openFlowOrExit(w, folderOf(flow, workDir) + QStringLiteral("/f000.flo"));
    QCoreApplication::processEvents();
    auto *keys = w.findChild<KeyBrowser *>();
    QAction *next = keys->nextAction();

    Clock::time_point lastLoad = Clock::now();
    int loads = 0;
    QObject::connect(w.document(), &ViewerDocument::loadFinished, &w, [&lastLoad, &loads] {
        lastLoad = Clock::now();
        ++loads;
    });

    std::atomic<bool> held{true};
    Clock::time_point lastPress;
    int presses = 0;
    std::thread keyboard([&] {
        const Clock::time_point start = Clock::now();
        const auto interval = std::chrono::duration<double, std::milli>(kAutoRepeatMs);
        for (int i = 0; msBetween(start, Clock::now()) < seconds * 1000; ++i) {
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(interval * i));
            QMetaObject::invokeMethod(next, &QAction::trigger, Qt::QueuedConnection);
            lastPress = Clock::now();
            ++presses;
        }
        held = false;
    });
    while (held)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    keyboard.join();
    // Until nothing is left to load.
    for (Clock::time_point quiet = Clock::now(); msBetween(quiet, Clock::now()) < 200;) {
        const int before = loads;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (loads != before)
            quiet = Clock::now();
    }
    return {std::max(0.0, msBetween(lastPress, lastLoad)), presses, loads};
}
