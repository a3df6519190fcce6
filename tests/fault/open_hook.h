#ifndef OPEN_HOOK_H
#define OPEN_HOOK_H

#include <QByteArray>

#include <functional>

// This test program's own open(2): when armed, it runs a change on the file just before the
// n-th open of that path goes ahead. The open pipeline probes, checks and reads a .flo file
// without a pause a test could use; the n-th open is the seam between those steps.
namespace openhook {

void arm(const QByteArray &path, int nthOpen, std::function<void()> change);
void disarm();
// Opens of the armed path seen since arm(), the changing open included.
int opensSeen();
bool changed();

} // namespace openhook

#endif // OPEN_HOOK_H
