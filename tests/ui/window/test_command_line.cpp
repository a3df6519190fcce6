#include "command_line.h"
#include "compare_mode.h"
#include "compare_panes.h"
#include "flo_writer.h"
#include "vek_zandor.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

// The window reads QCoreApplication::arguments(), which Qt takes from the argv the application
// was built with; each case points that argv at its own command line.
namespace {
constexpr int kMaxArgs = 8;
char *appArgv[kMaxArgs + 1];
int appArgc = 1;

void setCommandLine(std::vector<QByteArray> &storage)
{
    appArgc = int(std::min<std::size_t>(storage.size(), kMaxArgs));
    for (int i = 0; i < appArgc; ++i)
        appArgv[i] = storage[std::size_t(i)].data();
    appArgv[appArgc] = nullptr;
}
} // namespace

// Records, for every message box, its text and whether the window was already on screen.
class BoxWatcher : public QObject
{
public:
    QStringList texts;
    QList<bool> windowShown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            texts << box->text();
            windowShown << (box->parentWidget() && box->parentWidget()->isVisible());
            QMetaObject::invokeMethod(
                box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
        }
        return false;
    }
};

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void firstArgumentOpensBeforeTheWindowShows();
    void missingFileIsReportedThenTheWindowShows();
    void noArgumentOpensNothing();
    void optionsAreParsed_data();
    void optionsAreParsed();
    void optionsAreNeverOpenedAsFiles();
    void groundTruthStartsCompareMode();
    void followShowsTheNewestAndWhatComes();
    void folderOpensAtItsFirstSoundFlow();
    void folderWithoutFlowsOpensAtItsFirstImage();
    void folderWithNothingToShowIsReported();
    void helpAndVersionPrintAndExit_data();
    void helpAndVersionPrintAndExit();
};

void TestCommandLine::firstArgumentOpensBeforeTheWindowShows()
{
    QTemporaryDir dir;
    const QString flow = dir.filePath("start.flo");
    QVERIFY(writeFile(flow, floBytesFilled(3, 2, 1, 1)));
    std::vector<QByteArray> args{"flowviewer", QFile::encodeName(flow), "ignored.png"};
    setCommandLine(args);

    Vek_Zandor w;
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.filePath, flow);
    QCOMPARE(w.windowTitle(), "Optical Flow Viewer - [" + flow + "]");
    QVERIFY(w.isVisible());
    QVERIFY(w.windowState() & Qt::WindowMaximized);
}

void TestCommandLine::missingFileIsReportedThenTheWindowShows()
{
    std::vector<QByteArray> args{"flowviewer", "/no/such/picture.png"};
    setCommandLine(args);
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    Vek_Zandor w;
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.texts, QStringList({"Cann't open file /no/such/picture.png !"}));
    QCOMPARE(watcher.windowShown, QList<bool>({false}));
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Optical Flow Viewer"));
}

void TestCommandLine::noArgumentOpensNothing()
{
    std::vector<QByteArray> args{"flowviewer"};
    setCommandLine(args);
    Vek_Zandor w;
    QVERIFY(!w.hasImage);
    QVERIFY(w.filePath.isEmpty());
}

void TestCommandLine::optionsAreParsed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("groundTruth");
    QTest::addColumn<QString>("text");
    const int run = ViewerCommandLine::Run;
    const int usage = ViewerCommandLine::UsageError;
    QTest::newRow("nothing") << QStringList{} << run << QString() << QString() << QString();
    QTest::newRow("first file") << QStringList{"a.flo", "b.png"} << run << "a.flo" << QString()
                                << QString();
    QTest::newRow("ground truth") << QStringList{"est.flo", "--gt", "gt.flo"} << run << "est.flo"
                                  << "gt.flo" << QString();
    QTest::newRow("a name like an option")
        << QStringList{"--", "-odd.flo"} << run << "-odd.flo" << QString() << QString();
    QTest::newRow("unknown option") << QStringList{"--bogus", "a.flo"} << usage << QString()
                                    << QString() << "Unknown option 'bogus'.";
    QTest::newRow("ground truth alone") << QStringList{"--gt", "gt.flo"} << usage << QString()
                                        << QString() << "--gt needs a flow FILE to compare.";
    QTest::newRow("follow and a file")
        << QStringList{"--follow", ".", "a.flo"} << usage << QString() << QString()
        << "Give a FILE|FOLDER or --follow DIR, not both.";
    QTest::newRow("follow a file") << QStringList{"--follow", "nowhere"} << usage << QString()
                                   << QString() << "--follow needs a folder: 'nowhere'";
    QTest::newRow("ground truth without a file")
        << QStringList{"a.flo", "--gt"} << usage << QString() << QString()
        << "Missing value after '--gt'.";
}

void TestCommandLine::optionsAreParsed()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    QFETCH(QString, groundTruth);
    QFETCH(QString, text);
    arguments.prepend(QStringLiteral("flowviewer"));
    const ViewerCommandLine command = parseViewerCommandLine(arguments);
    QCOMPARE(int(command.action), action);
    QCOMPARE(command.file, file);
    QCOMPARE(command.groundTruth, groundTruth);
    QCOMPARE(command.text, text);
}

// "--help" was once opened as a file and reported as one that could not be.
void TestCommandLine::optionsAreNeverOpenedAsFiles()
{
    QTemporaryDir dir;
    const QString flow = dir.filePath("shown.flo");
    QVERIFY(writeFile(flow, floBytesFilled(3, 2, 1, 1)));
    for (const QByteArray &option : {QByteArray("--help"), QByteArray("--bogus")}) {
        std::vector<QByteArray> args{"flowviewer", option, QFile::encodeName(flow)};
        setCommandLine(args);
        BoxWatcher watcher;
        qApp->installEventFilter(&watcher);
        Vek_Zandor w;
        qApp->removeEventFilter(&watcher);
        QCOMPARE(watcher.texts, QStringList());
        QVERIFY(!w.hasImage);
    }
    std::vector<QByteArray> args{"flowviewer", "--gt", "truth.flo", QFile::encodeName(flow)};
    setCommandLine(args);
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    Vek_Zandor w;
    qApp->removeEventFilter(&watcher);
    QCOMPARE(w.filePath, flow);
    QVERIFY(w.hasImage);
    // The missing ground truth is reported, not opened.
    QCOMPARE(watcher.texts.size(), 1);
    QVERIFY2(watcher.texts[0].startsWith("Cann't open file truth.flo !"),
             qPrintable(watcher.texts[0]));
}

// A ground-truth file, or a folder holding the flow of the estimate's name; one of another
// size is refused with a box.
void TestCommandLine::groundTruthStartsCompareMode()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("gt"));
    const QString estimate = dir.filePath("frame.flo");
    QVERIFY(writeFile(estimate, floBytesFilled(3, 2, 1, 1)));
    QVERIFY(writeFile(dir.filePath("gt/frame.flo"), floBytesFilled(3, 2, 1, 0)));
    QVERIFY(writeFile(dir.filePath("gt/wide.flo"), floBytesFilled(4, 2, 1, 0)));
    for (const QString &gt : {dir.filePath("gt/frame.flo"), dir.filePath("gt")}) {
        std::vector<QByteArray> args{"flowviewer", QFile::encodeName(estimate), "--gt",
                                     QFile::encodeName(gt)};
        setCommandLine(args);
        Vek_Zandor w;
        const CompareMode *compare = w.findChild<CompareMode *>();
        QVERIFY(compare->isComparing());
        QCOMPARE(compare->pair()->path, dir.filePath("gt/frame.flo"));
        QCOMPARE(compare->panes().captions().captions().value(0).text,
                 QStringLiteral("Estimate (3 X 2)"));
    }

    std::vector<QByteArray> args{"flowviewer", "--gt",
                                 QFile::encodeName(dir.filePath("gt/wide.flo")),
                                 QFile::encodeName(estimate)};
    setCommandLine(args);
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    Vek_Zandor w;
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.texts, QStringList{"Ground truth 4 x 2 does not match the flow's 3 x 2"});
    QVERIFY(!w.findChild<CompareMode *>()->isOn());
    QVERIFY(w.hasImage);
}

// The newest file by time, not by name, passing over one that cannot be shown; then each new
// one, compared with the ground truth of its name.
void TestCommandLine::followShowsTheNewestAndWhatComes()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("gt"));
    const QDateTime now = QDateTime::currentDateTime();
    int age = 3;
    for (const char *name : {"b.flo", "a.flo", "c.flo"}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name[0] == 'c' ? QByteArray("broken") : floBytesFilled(3, 2, 1, 1));
        QVERIFY(file.setFileTime(now.addSecs(-10 * age--), QFileDevice::FileModificationTime));
    }
    QVERIFY(writeFile(dir.filePath("gt/d.flo"), floBytesFilled(3, 2, 0, 0)));
    std::vector<QByteArray> args{"flowviewer", "--follow", QFile::encodeName(dir.path()), "--gt",
                                 QFile::encodeName(dir.filePath("gt"))};
    setCommandLine(args);
    Vek_Zandor w;
    QCOMPARE(w.filePath, dir.filePath("a.flo"));
    QVERIFY(w.findChild<QAction *>("actionFollowNewest")->isChecked());
    QVERIFY(writeFile(dir.filePath("d.flo"), floBytesFilled(3, 2, 2, 0)));
    QTRY_COMPARE_WITH_TIMEOUT(w.filePath, dir.filePath("d.flo"), 10000);
    QVERIFY(w.findChild<CompareMode *>()->isComparing());
}

// Flows first, by name, passing over one whose header or length is wrong; the listing is the
// flows', as for any open by name.
void TestCommandLine::folderOpensAtItsFirstSoundFlow()
{
    QTemporaryDir dir;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(dir.filePath("a.png")));
    QVERIFY(writeFile(dir.filePath("b.flo"), floBytes(3, 2, {}, 1.0f)));
    QVERIFY(writeFile(dir.filePath("c.flo"), floBytesFilled(3, 2, 4, 1).left(30)));
    QVERIFY(writeFile(dir.filePath("d.flo"), floBytesFilled(3, 2, 5, 1)));
    QVERIFY(writeFile(dir.filePath("e.flo"), floBytesFilled(3, 2, 6, 1)));
    std::vector<QByteArray> args{"flowviewer", QFile::encodeName(dir.path())};
    setCommandLine(args);
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    Vek_Zandor w;
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.texts, QStringList());
    QCOMPARE(w.filePath, dir.filePath("d.flo"));
    QVERIFY(w.hasImage && w.isFlow);
    QCOMPARE(w.flowU[0][0], 5.0f);
    QCOMPARE(w.dirFiles, QStringList({"b.flo", "c.flo", "d.flo", "e.flo"}));
    QCOMPARE(w.dirIndex, 2);
}

void TestCommandLine::folderWithoutFlowsOpensAtItsFirstImage()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a.txt"), "notes"));
    QVERIFY(writeFile(dir.filePath("b.png"), "not a picture"));
    QVERIFY(writeFile(dir.filePath("c.FLO"), floBytesFilled(3, 2, 5, 1)));
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(dir.filePath("d.bmp")));
    QVERIFY(picture.save(dir.filePath("e.png")));
    QCOMPARE(firstShowableFile(dir.path()), dir.filePath("d.bmp"));

    std::vector<QByteArray> args{"flowviewer", QFile::encodeName(dir.path())};
    setCommandLine(args);
    Vek_Zandor w;
    QCOMPARE(w.filePath, dir.filePath("d.bmp"));
    QVERIFY(w.hasImage && !w.isFlow);
    QCOMPARE(w.cols, 5);
}

void TestCommandLine::folderWithNothingToShowIsReported()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a.txt"), "notes"));
    QVERIFY(QDir(dir.path()).mkdir("sub.flo"));
    QVERIFY(firstShowableFile(dir.path()).isEmpty());
    std::vector<QByteArray> args{"flowviewer", QFile::encodeName(dir.path())};
    setCommandLine(args);
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    Vek_Zandor w;
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.texts, QStringList({"Cann't open file " + dir.path() +
                                         " !\nThe folder holds no flow or image to show."}));
    QVERIFY(!w.hasImage);
    QCOMPARE(w.windowTitle(), QStringLiteral("Optical Flow Viewer"));
}

void TestCommandLine::helpAndVersionPrintAndExit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help", "a.flo"} << false << 0
                          << "Usage: flowviewer [options] [FILE|FOLDER]" << QString();
    QTest::newRow("version") << QStringList{"--version"} << false << 0 << "flowviewer 1.0.0\n"
                             << QString();
    QTest::newRow("after Qt's own options")
        << QStringList{"-platform", "offscreen", "--version"} << false << 0 << "flowviewer 1.0.0\n"
        << QString();
    QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 2 << QString()
                                    << "flowviewer: Unknown option 'bogus'.";
}

// Without a display too: they never make the application.
void TestCommandLine::helpAndVersionPrintAndExit()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess viewer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    if (display)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    viewer.setProcessEnvironment(env);
    viewer.start(QStringLiteral(FLOWVIEWER_PATH), arguments);
    QVERIFY(viewer.waitForFinished(30000));
    QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(viewer.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(viewer.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(viewer.readAllStandardError());
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
    if (!err.isEmpty())
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
}

int main(int argc, char *argv[])
{
    appArgv[0] = argv[0];
    QApplication app(appArgc, appArgv);
    // What the window remembers goes to a folder of this program's own.
    QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));
    QCoreApplication::setApplicationName(QStringLiteral("flowviewer-test"));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    TestCommandLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_command_line.moc"
