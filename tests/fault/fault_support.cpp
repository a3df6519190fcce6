#include "fault_support.h"

#include "vek_zandor.h"

#include <QGraphicsPixmapItem>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

extern "C" void watchdogFired(int)
{
    static const char message[] =
        "FAIL!  : watchdog: the test blocked (an open or read that never returns?)\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    static_cast<void>(written);
    _exit(1);
}

} // namespace

Watchdog::Watchdog(unsigned seconds)
{
    std::signal(SIGALRM, watchdogFired);
    alarm(seconds);
}

Watchdog::~Watchdog()
{
    alarm(0);
}

bool showsFile(const Vek_Zandor &w, const QString &path, int rows, int cols)
{
    [&] {
        QVERIFY(w.hasImage);
        QCOMPARE(w.filePath, path);
        QCOMPARE(w.rows, rows);
        QCOMPARE(w.cols, cols);
        QVERIFY(w.colorPlane && w.flowU && w.clampedV && w.dimYPlane);
        QCOMPARE(w.colorPlane.rows(), rows);
        QCOMPARE(w.colorPlane.cols(), cols);
        QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + path + "]");
        QCOMPARE(w.leftLayer->pixmap().size(), QSize(cols, rows));
    }();
    return !QTest::currentTestFailed();
}
