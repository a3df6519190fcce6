#ifndef FAULT_SUPPORT_H
#define FAULT_SUPPORT_H

#include "window_driver.h"

#include <QString>

// Ends the test program with a failure message if it is still running after the given time,
// so a call that blocks (an open on a FIFO) fails the run instead of hanging it. One at a time;
// a later one replaces the earlier.
class Watchdog
{
public:
    explicit Watchdog(unsigned seconds);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
};

// True when the window shows a successfully opened file: planes of its size, the scene's
// picture of its size, title naming it. Reports the first mismatch as a test failure.
bool showsFile(const Vek_Zandor &w, const QString &path, int rows, int cols);

#endif // FAULT_SUPPORT_H
