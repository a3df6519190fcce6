#ifndef WINDOW_TEST_MAIN_H
#define WINDOW_TEST_MAIN_H

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_MAIN, but the application sees only the program name: the window opens its first
// command-line argument, which for a test program is a test function's name. What the window
// remembers goes to a folder of the test program's own, never to the user's settings, and
// test programs running side by side never share it.
#define FLOWVIEWER_WINDOW_TEST_MAIN(TestObject)                                                    \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        int appArgc = 1;                                                                           \
        QApplication app(appArgc, argv);                                                           \
        QCoreApplication::setOrganizationName(QStringLiteral("OpticalFlowViewer"));                \
        QCoreApplication::setApplicationName(QStringLiteral("flowviewer-test"));                   \
        QTemporaryDir settingsDir;                                                                 \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());     \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#endif // WINDOW_TEST_MAIN_H
