// Defining open here makes every call to it in this program, the code under test included,
// come through this definition first; the C library's is found behind it with RTLD_NEXT.
#undef _FORTIFY_SOURCE

#include "open_hook.h"

#include <cstdarg>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>

namespace {

QByteArray armedPath;
int nth = 0;
int seen = 0;
bool done = false;
bool inChange = false;
std::function<void()> pendingChange;

using OpenFn = int (*)(const char *, int, ...);

OpenFn realOpen()
{
    static const OpenFn fn = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, "open"));
    return fn;
}

} // namespace

void openhook::arm(const QByteArray &path, int nthOpen, std::function<void()> change)
{
    armedPath = path;
    nth = nthOpen;
    seen = 0;
    done = false;
    pendingChange = std::move(change);
}

void openhook::disarm()
{
    armedPath.clear();
    pendingChange = nullptr;
}

int openhook::opensSeen()
{
    return seen;
}

bool openhook::changed()
{
    return done;
}

extern "C" int open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    // The change itself may open the file; it must not count or change it again.
    if (!inChange && !armedPath.isEmpty() && std::strcmp(path, armedPath.constData()) == 0) {
        if (++seen == nth && pendingChange) {
            inChange = true;
            pendingChange();
            inChange = false;
            done = true;
        }
    }
    return realOpen()(path, flags, mode);
}
