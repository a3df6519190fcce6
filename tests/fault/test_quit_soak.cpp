// Quits at random moments: as the window appears, during a load, while the neighbours are read
// ahead, while a rewritten file is read again, and while comparing. Every quit must close the
// window and tear it down cleanly (the sanitizer builds check the teardown).

#include "compare_mode.h"
#include "fault_support.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <memory>

class TestQuitSoak : public QObject
{
    Q_OBJECT

private slots:
    void quitAtAnyMoment();
};

void TestQuitSoak::quitAtAnyMoment()
{
    Watchdog watchdog(900);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("gt"));
    ModalCloser closer;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("f%1.flo").arg(i);
        const QByteArray flow = numberedField(320, 240, float(i));
        QVERIFY(writeFile(dir.filePath(name), i == 3 ? flow.left(100) : flow));
        QVERIFY(writeFile(dir.filePath("gt/" + name), numberedField(320, 240, 0.5f)));
    }
    QVERIFY(QImage(64, 48, QImage::Format_RGB32).save(dir.filePath("p.png")));

    std::uint32_t state = 7;
    const auto random = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % std::uint32_t(n));
    };
    for (int round = 0; round < 200; ++round) {
        auto w = std::make_unique<Vek_Zandor>();
        QAction *exit = w->ui.actionExit;
        const int scenario = random(5);
        if (scenario == 0) {
            // As the window appears.
            QTimer::singleShot(0, exit, &QAction::trigger);
        } else {
            openByName(*w, dir.filePath(QStringLiteral("f%1.flo").arg(random(6))));
            if (scenario == 2)
                w->document()->step(random(3) - 1);
            if (scenario == 3)
                QVERIFY(writeFile(w->filePath, numberedField(320, 240, 9.0f)));
            if (scenario == 4 && w->hasImage)
                w->findChild<CompareMode *>()->compareWith(dir.filePath("gt"));
            QTimer::singleShot(random(60), exit, &QAction::trigger);
        }
        QVERIFY(QTest::qWaitFor([&w] { return !w->isVisible(); }, 10000));
        w.reset();
    }
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestQuitSoak)
#include "test_quit_soak.moc"
