// Playing a folder: every file in the listing's order at no more than the rate asked, looping or
// stopping at the end; a stepping key, Reload, an open and a broken file each pause it, the
// broken file after one box. Export Video writes the shown folder, or nothing when cancelled.

#include "flo_writer.h"
#include "modal_closer.h"
#include "playback.h"
#include "vek_zandor.h"
#include "video_export.h"
#include "viewer_document.h"
#include "window_driver.h"
#include "window_test_main.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kWaitMs = 20000;

struct Folder {
    QTemporaryDir dir;
    QStringList paths;
};

// count small flows, each its own; broken names the one cut short, or -1.
std::unique_ptr<Folder> makeFolder(int count, int broken = -1)
{
    auto folder = std::make_unique<Folder>();
    for (int i = 0; i < count; ++i) {
        const QString path =
            folder->dir.filePath(QStringLiteral("f%1.flo").arg(i, 3, 10, QChar('0')));
        const QByteArray bytes = numberedField(24, 16, float(i));
        writeFile(path, i == broken ? bytes.left(40) : bytes);
        folder->paths << path;
    }
    return folder;
}

struct Player {
    Vek_Zandor window;
    Playback *playback;
    QStringList shown; // every picture that went on screen, in turn

    Player() : playback(window.findChild<Playback *>())
    {
        QObject::connect(window.findChild<ViewerDocument *>(), &ViewerDocument::pictureShown,
                         &window, [this] { shown << window.filePath; });
    }
};

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void playsEveryFileInTurnAtTheRate();
    void stopsAtTheEndOrLoops();
    void otherLoadsPause();
    void brokenFilePausesAfterOneBox();
    void settingsAreRemembered();
    void exportVideoWritesOrLeavesNothing();
};

void TestPlayback::playsEveryFileInTurnAtTheRate()
{
    const auto folder = makeFolder(12);
    Player p;
    openByName(p.window, folder->paths.first());
    QVERIFY(p.playback->action()->isEnabled());
    p.playback->setFps(40);
    p.playback->setLoop(false);
    p.shown.clear();
    QElapsedTimer clock;
    clock.start();
    p.playback->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.playback->isPlaying(), kWaitMs);
    // Never faster than asked: eleven steps, each 25 ms at least after the one before.
    QVERIFY(clock.elapsed() >= 11 * 25);
    QCOMPARE(p.shown, folder->paths.mid(1));
    // What the loads' own times vary by aside.
    QVERIFY2(p.playback->shownRate() > 0 && p.playback->shownRate() <= 44,
             qPrintable(QString::number(p.playback->shownRate())));
}

void TestPlayback::stopsAtTheEndOrLoops()
{
    const auto folder = makeFolder(4);
    Player p;
    openByName(p.window, folder->paths.at(2));
    p.playback->setFps(60);
    p.playback->setLoop(true);
    p.shown.clear();
    p.playback->play();
    QTRY_VERIFY_WITH_TIMEOUT(p.shown.size() >= 6, kWaitMs);
    p.playback->pause();
    QCOMPARE(p.shown.mid(0, 6),
             (QStringList{folder->paths.at(3), folder->paths.at(0), folder->paths.at(1),
                          folder->paths.at(2), folder->paths.at(3), folder->paths.at(0)}));

    // Without Loop it stops at the last file, and Play there starts from the first.
    p.playback->setLoop(false);
    openByName(p.window, folder->paths.at(3));
    p.shown.clear();
    p.playback->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.playback->isPlaying(), kWaitMs);
    QCOMPARE(p.shown, folder->paths);
    QCOMPARE(p.window.dirIndex, 3);
}

void TestPlayback::otherLoadsPause()
{
    const auto folder = makeFolder(30);
    Player p;
    openByName(p.window, folder->paths.first());
    p.playback->setFps(20);
    const QList<std::function<void()>> interruptions{
        [&] { p.window.findChild<QAction *>(QStringLiteral("actionNextFile"))->trigger(); },
        [&] { p.window.findChild<QAction *>(QStringLiteral("actionReload"))->trigger(); },
        [&] { openByName(p.window, folder->paths.at(5)); },
    };
    for (const auto &interrupt : interruptions) {
        p.playback->play();
        QTRY_VERIFY_WITH_TIMEOUT(p.shown.size() >= 2, kWaitMs);
        interrupt();
        QVERIFY(!p.playback->isPlaying());
        QTest::qWait(50); // the key's own load
        p.shown.clear();
    }
    // P plays and pauses.
    QTest::keyClick(&p.window, Qt::Key_P);
    QVERIFY(p.playback->isPlaying());
    QTest::keyClick(&p.window, Qt::Key_P);
    QVERIFY(!p.playback->isPlaying());
}

void TestPlayback::brokenFilePausesAfterOneBox()
{
    const auto folder = makeFolder(8, 3);
    Player p;
    ModalCloser boxes;
    openByName(p.window, folder->paths.first());
    p.playback->setFps(60);
    p.playback->setLoop(true);
    p.shown.clear();
    p.playback->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.playback->isPlaying(), kWaitMs);
    QTest::qWait(100);
    QCOMPARE(boxes.count(), 1);
    QVERIFY(boxes.texts.first().contains(folder->paths.at(3)));
    QCOMPARE(p.shown, folder->paths.mid(1, 2));
}

void TestPlayback::settingsAreRemembered()
{
    {
        Player p;
        p.playback->setFps(24);
        p.playback->setLoop(true);
    }
    Player p;
    QCOMPARE(p.playback->fps(), 24);
    QVERIFY(p.playback->loops());
    p.playback->setLoop(false);
}

void TestPlayback::exportVideoWritesOrLeavesNothing()
{
    const auto folder = makeFolder(6);
    Player p;
    openByName(p.window, folder->paths.first());
    auto *video = p.window.findChild<VideoExport *>();
    QVERIFY(video->action()->isEnabled());
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("seq.mp4"));
    QVERIFY(video->exportTo(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(8).mid(4), QByteArray("ftyp"));

    // Cancelled at the first frame.
    const QString cancelled = out.filePath(QStringLiteral("cancelled.webm"));
    QTimer::singleShot(0, [] {
        if (auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()))
            dialog->cancel();
    });
    QVERIFY(!video->exportTo(cancelled));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"seq.mp4"});
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestPlayback)
#include "test_playback.moc"
