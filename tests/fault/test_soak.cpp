// A long session: the wheel steps forward and back a thousand times through a folder of small
// flows and images, a few of them broken. Memory must level off: resident size after the run
// stays within a small margin of that after the first hundred steps, and nothing is left
// allocated once the window is gone (the sanitizer build checks that for leaks).

#include "fault_support.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "window_test_main.h"

#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSceneWheelEvent>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FLOWVIEWER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FLOWVIEWER_ASAN 1
#endif

#ifdef FLOWVIEWER_ASAN
#include <sanitizer/lsan_interface.h>

// Freed blocks wait in a quarantine of 256 MB by default, which alone would grow the resident
// size through the whole run; a small one still catches a use right after a free.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

namespace {

constexpr int kFiles = 100;
constexpr int kSteps = 1000;
constexpr int kStepsPerBlock = 50;
constexpr int kBaselineSteps = 100;
// Resident growth allowed from step 100 to step 1000: allocator and sanitizer bookkeeping
// settle within a few megabytes, while keeping even one float plane of each file (about 50 kB)
// would add over 40 MB.
constexpr qint64 kMarginKB = 8 * 1024;

qint64 residentKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

QByteArray smallFlow(int i)
{
    const int width = 96 + i % 33;
    const int height = 72 + i % 25;
    std::vector<float> uv;
    for (int p = 0; p < width * height; ++p) {
        uv.push_back(float((p * 31 + i) % 17) - 8.0f);
        uv.push_back(float((p * 7 + 3 * i) % 13) - 6.0f);
    }
    return floBytes(width, height, uv);
}

bool writeImage(const QString &path, int i)
{
    QImage image(96 + i % 29, 72 + i % 23, QImage::Format_RGB32);
    image.fill(qRgb(i * 2, 255 - i, (i * 37) % 256));
    return image.save(path, "PNG");
}

void wheel(Vek_Zandor &w, int notches)
{
    QGraphicsSceneWheelEvent event(QEvent::GraphicsSceneWheel);
    event.setDelta(notches * 120);
    event.setOrientation(Qt::Vertical);
    w.scene->sendEvent(w.leftLayer, &event);
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void wheelThroughAThousandFiles();
};

void TestSoak::wheelThroughAThousandFiles()
{
    Watchdog watchdog(600);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ModalCloser closer;
    for (int i = 0; i < kFiles; ++i) {
        const QString stem = dir.filePath(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')));
        // Every 25th file of each kind is broken, so failures are part of the walk from its start.
        const bool broken = i % 25 == 0;
        QVERIFY(writeFile(stem + ".flo", broken ? smallFlow(i).left(40) : smallFlow(i)));
        if (broken)
            QVERIFY(writeFile(stem + ".png", "not a picture"));
        else
            QVERIFY(writeImage(stem + ".png", i));
    }

    auto w = std::make_unique<Vek_Zandor>();
    qint64 afterFirstBlock = 0;
    int shown = 0;
    std::uint32_t state = 2024;
    for (int block = 0; block < kSteps / kStepsPerBlock; ++block) {
        // Flows and images by turns; each block starts at an open by name.
        openByName(*w, dir.filePath(block % 2 ? "049.png" : "049.flo"));
        QVERIFY(w->hasImage);
        for (int s = 0; s < kStepsPerBlock; ++s) {
            state = state * 1664525u + 1013904223u;
            // Mostly single notches either way, now and then a jump or a step off the end.
            const int r = int(state >> 24);
            const int notches = r < 100 ? 1 : r < 200 ? -1 : r < 230 ? (r % 7) - 3 : 40 - r % 80;
            wheel(*w, notches);
            QVERIFY(w->browseByStep);
            if (w->hasImage) {
                ++shown;
                QCOMPARE(w->colorPlane.rows(), w->rows);
                QCOMPARE(w->leftLayer->pixmap().size(), QSize(w->cols, w->rows));
            }
            if (s % 10 == 0 && w->isFlow)
                w->ui.checkBox_ShowIndividualDim->toggle();
        }
        if ((block + 1) * kStepsPerBlock == kBaselineSteps)
            afterFirstBlock = residentKB();
    }
    const qint64 afterRun = residentKB();
    QVERIFY(afterFirstBlock > 0 && afterRun > 0);
    qInfo("resident: %lld kB after %d steps, %lld kB after %d; %d files shown, %d refused",
          afterFirstBlock, kBaselineSteps, afterRun, kSteps, shown, int(closer.count()));
    QVERIFY2(
        afterRun - afterFirstBlock <= kMarginKB,
        qPrintable(QStringLiteral("resident size grew by %1 kB").arg(afterRun - afterFirstBlock)));
    // The walk really went through both kinds, failures included.
    QVERIFY(shown > kSteps / 2);
    QVERIFY(closer.count() > 0);

    w->ReleasePlanes();
    QVERIFY(!w->colorPlane && !w->dimXPlane && !w->dimYPlane);
    QVERIFY(!w->flowU && !w->flowV && !w->clampedU && !w->clampedV);
    QVERIFY(!w->hasImage && !w->isFlow);
    w.reset();
#ifdef FLOWVIEWER_ASAN
    QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestSoak)
#include "test_soak.moc"
