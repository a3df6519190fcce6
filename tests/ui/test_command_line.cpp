#include "flo_writer.h"
#include "vek_zandor.h"

#include <QApplication>
#include <QMessageBox>
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

int main(int argc, char *argv[])
{
    appArgv[0] = argv[0];
    QApplication app(appArgc, appArgv);
    TestCommandLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_command_line.moc"
