#include "fault_support.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "settle_watch.h"
#include "vek_zandor.h"
#include "viewer_document.h"
#include "window_test_main.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kCols = 3840;
constexpr int kRows = 2160;
constexpr int kVersions = 50;
constexpr std::size_t kPiece = 64 * 1024;

// Writes version k of the flow (every vector (k, -k)) over path in place, in 64 KB pieces, as a
// training script does: the even versions through an ordinary open for writing, which empties
// the file first, the odd ones over the old bytes, last piece first, as a memory-mapped array
// may be written. Some versions pause half-way, long enough for the viewer to find the
// file incomplete; some pause after, long enough for it to settle and read the file, or just
// long enough for it to start reading before the next version overtakes it; the others follow
// at once. A file of full length that pauses half-way is beyond anyone's telling, so only an
// emptied one does.
bool writeVersion(const QByteArray &path, int k)
{
    const bool truncate = k % 2 == 0;
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | (truncate ? O_TRUNC : 0));
    if (fd < 0)
        return false;
    const QByteArray header = floBytes(kCols, kRows, {});
    std::vector<char> piece(kPiece);
    const float pair[2] = {float(k), -float(k)};
    for (std::size_t i = 0; i < kPiece; i += sizeof pair)
        std::memcpy(piece.data() + i, pair, sizeof pair);

    bool ok = ::write(fd, header.constData(), std::size_t(header.size())) == header.size();
    const std::size_t data = std::size_t(kCols) * kRows * sizeof pair;
    const std::size_t pieces = (data + kPiece - 1) / kPiece;
    for (std::size_t i = 0; ok && i < pieces; ++i) {
        if (k % 10 == 4 && i == pieces / 2)
            ::usleep(3 * SettleWatch::kSettleMs * 1000 / 2);
        // Over the old bytes the last piece goes first, so that a reader still at the start
        // meets new bytes further on.
        const std::size_t at = (truncate ? i : pieces - 1 - i) * kPiece;
        const std::size_t n = std::min(kPiece, data - at);
        ok = ::pwrite(fd, piece.data(), n, off_t(header.size() + at)) == ssize_t(n);
    }
    ::close(fd);
    if (k % 10 == 0 || k % 10 == 7)
        ::usleep(3 * SettleWatch::kSettleMs * 1000);
    else if (k % 10 == 6)
        ::usleep(SettleWatch::kSettleMs * 1000 + 50000);
    return ok;
}

// The version every vector of the planes holds, or 0 when they hold a mix or anything else.
int versionShown(const Vek_Zandor &w)
{
    if (!w.hasImage || !w.isFlow || w.rows != kRows || w.cols != kCols)
        return 0;
    const float k = w.flowU[0][0];
    for (int y = 0; y < kRows; ++y) {
        const float *u = w.flowU[y];
        const float *v = w.flowV[y];
        for (int x = 0; x < kCols; ++x)
            if (u[x] != k || v[x] != -k)
                return 0;
    }
    return k >= 0 && k <= kVersions && float(int(k)) == k ? int(k) : 0;
}

} // namespace

class TestWatchWriter : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureIsOneWholeVersion();
};

// A writer rewrites a 4K flow fifty times while the viewer watches it: the viewer never crashes
// or shows a box, every picture it shows is one complete version, never a mix of two, and
// once the writer stops it shows the last.
void TestWatchWriter::everyPictureIsOneWholeVersion()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("training.flo");
    QVERIFY(writeFile(path, QByteArray()));
    QVERIFY(writeVersion(QFile::encodeName(path), 0));
    ModalCloser closer;
    Vek_Zandor w;
    openByName(w, path);
    QCOMPARE(versionShown(w), 0);

    QList<int> shown;
    connect(w.document(), &ViewerDocument::loadFinished, &w, [&](bool ok) {
        if (ok)
            shown << versionShown(w);
    });
    int waits = 0;
    connect(w.statusBar(), &QStatusBar::messageChanged, &w, [&](const QString &message) {
        if (message.endsWith(QLatin1String("(waiting for the file to be complete)")))
            ++waits;
    });

    std::atomic<bool> written{false};
    std::atomic<bool> failed{false};
    std::thread writer([&] {
        const QByteArray local = QFile::encodeName(path);
        for (int k = 1; k <= kVersions && !failed; ++k)
            failed = !writeVersion(local, k);
        written = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!written)
        QTest::qWait(10);
    writer.join();
    QVERIFY(!failed);

    QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty() && shown.last() == kVersions, 120000);
    QTest::qWait(2 * SettleWatch::kSettleMs);
    qInfo("%d pictures shown while %d versions were written in %lld ms, %d waits for a whole "
          "file",
          int(shown.size()), kVersions, clock.elapsed(), waits);
    QVERIFY2(!shown.contains(0), "a picture was not one whole version");
    for (int i = 1; i < shown.size(); ++i)
        QVERIFY(shown[i] >= shown[i - 1]);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(versionShown(w), kVersions);
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestWatchWriter)
#include "test_watch_writer.moc"
