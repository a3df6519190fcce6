// Saving where the file system says no: a folder without write permission, a folder that does
// not exist, a full device. The user is told, a file already at the target keeps its bytes, no
// temporary file is left behind, and the window saves and opens normally afterwards.

#include "dialog_driver.h"
#include "fault_support.h"
#include "flo_writer.h"
#include "modal_closer.h"
#include "vek_zandor.h"
#include "window_test_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <vector>

#include <sys/mount.h>
#include <unistd.h>

namespace {

// Large enough that its BMP (120 KB) cannot fit a 64 KB device.
constexpr int kSide = 200;

QByteArray noisyFlow()
{
    std::vector<float> uv;
    std::uint32_t state = 12345;
    for (int i = 0; i < 2 * kSide * kSide; ++i) {
        state = state * 1664525u + 1013904223u;
        uv.push_back(float(int(state >> 16) % 2001 - 1000) / 100.0f);
    }
    return floBytes(kSide, kSide, uv);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The save dialog asks before replacing a file; answer it with Yes, as a user would.
class OverwriteConfirmer : public QObject
{
public:
    OverwriteConfirmer() { qApp->installEventFilter(this); }
    ~OverwriteConfirmer() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (event->type() == QEvent::Show && box && box->button(QMessageBox::Yes)) {
            QPointer<QAbstractButton> yes = box->button(QMessageBox::Yes);
            QMetaObject::invokeMethod(
                this,
                [yes] {
                    if (yes)
                        yes->click();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestFaultSave : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readOnlyFolder();
    void missingFolder();
    void fullDevice();

private:
    void save(Vek_Zandor &w, const QString &target);
    // The failed save was reported once, and the window saves and opens normally after it.
    void expectReportedAndUsable(Vek_Zandor &w, const QString &target);

    QTemporaryDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    OverwriteConfirmer *confirmer = nullptr;
    Watchdog *watchdog = nullptr;
    QString flowPath;
    QString mounted;
};

void TestFaultSave::init()
{
    watchdog = new Watchdog(120);
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    closer = new ModalCloser;
    // Installed last, so it sees a question before the closer answers it with Ok.
    confirmer = new OverwriteConfirmer;
    flowPath = dir->filePath("noise.flo");
    QVERIFY(writeFile(flowPath, noisyFlow()));
}

void TestFaultSave::cleanup()
{
    if (!mounted.isEmpty())
        umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
    mounted.clear();
    QFile::setPermissions(dir->filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    delete confirmer;
    confirmer = nullptr;
    delete closer;
    closer = nullptr;
    delete dir;
    dir = nullptr;
    delete watchdog;
    watchdog = nullptr;
}

void TestFaultSave::save(Vek_Zandor &w, const QString &target)
{
    answerNextFileDialog(target);
    w.SaveFileAction();
}

void TestFaultSave::expectReportedAndUsable(Vek_Zandor &w, const QString &target)
{
    QCOMPARE(closer->titles.count(QStringLiteral("Save File Error")), 1);
    QVERIFY2(closer->texts.last().startsWith("Cann't save file " + target + " !\n"),
             qPrintable(closer->texts.last()));
    closer->clear();

    const QString good = dir->filePath("good.png");
    QFile::remove(good); // a replace would ask first
    save(w, good);
    QCOMPARE(closer->count(), 0);
    const QImage saved(good);
    QCOMPARE(saved.size(), QSize(kSide, kSide));
    QCOMPARE(
        saved.pixel(7, 3) & 0xffffff,
        QRgb(w.colorPlane[3][7][0] << 16 | w.colorPlane[3][7][1] << 8 | w.colorPlane[3][7][2]));

    openByName(w, good);
    QVERIFY(showsFile(w, good, kSide, kSide));
    openByName(w, flowPath);
    QVERIFY(showsFile(w, flowPath, kSide, kSide));
    QCOMPARE(closer->count(), 0);
}

void TestFaultSave::readOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("running as root, which writes into folders without write permission");
    const QString locked = dir->filePath("locked");
    QVERIFY(QDir().mkdir(locked));
    const QString existing = locked + "/keep.png";
    QVERIFY(writeFile(existing, "precious"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    Vek_Zandor w;
    openByName(w, flowPath);
    for (const QString &target : {existing, locked + "/new.png"}) {
        save(w, target);
        QCOMPARE(readAll(existing), QByteArray("precious"));
        QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"keep.png"}));
        expectReportedAndUsable(w, target);
    }
}

void TestFaultSave::missingFolder()
{
    Vek_Zandor w;
    openByName(w, flowPath);
    const QString target = dir->filePath("missing/out.png");
    save(w, target);
    QVERIFY(!QFileInfo::exists(dir->filePath("missing")));
    expectReportedAndUsable(w, target);
}

void TestFaultSave::fullDevice()
{
    const QString small = dir->filePath("small");
    QVERIFY(QDir().mkdir(small));
    if (mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("cannot mount a small tmpfs here (needs root in a mount namespace that allows it)");
    mounted = small;

    const QString existing = small + "/keep.bmp";
    const QByteArray precious(2000, 'p');
    QVERIFY(writeFile(existing, precious));

    Vek_Zandor w;
    openByName(w, flowPath);
    // BMP: Qt's PNG writer leaks its row buffer when libpng fails on a full disk.
    for (const QString &target : {existing, small + "/new.bmp"}) {
        save(w, target);
        QCOMPARE(readAll(existing), precious);
        QCOMPARE(QDir(small).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"keep.bmp"}));
        expectReportedAndUsable(w, target);
    }
}

FLOWVIEWER_WINDOW_TEST_MAIN(TestFaultSave)
#include "test_fault_save.moc"
