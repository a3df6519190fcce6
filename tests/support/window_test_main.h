#ifndef WINDOW_TEST_MAIN_H
#define WINDOW_TEST_MAIN_H

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, but the application sees only the program name: the window opens its first
// command-line argument, which for a test program is a test function's name.
#define FLOWVIEWER_WINDOW_TEST_MAIN(TestObject)                                                    \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        int appArgc = 1;                                                                           \
        QApplication app(appArgc, argv);                                                           \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#endif // WINDOW_TEST_MAIN_H
