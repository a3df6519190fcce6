#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStamp stampFrom(const struct stat &info)
{
    constexpr std::int64_t kNano = 1000000000;
    FileStamp stamp;
    stamp.bytes = info.st_size;
    stamp.modified = std::int64_t(info.st_mtim.tv_sec) * kNano + info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

FileStamp stampOf(std::FILE *file)
{
    struct stat info;
    if (::fstat(::fileno(file), &info) != 0)
        return FileStamp();
    return stampFrom(info);
}

FilePtr openRegularFile(const char *path, FileStamp *stamp)
{
    struct stat info;
    if (!path || ::stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return FilePtr();
    // Non-blocking, in case a FIFO is swapped in after the test; reads of a regular file
    // ignore the flag, and the descriptor is checked again once open.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FilePtr();
    FilePtr file;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        file.reset(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        return FilePtr();
    }
    if (stamp)
        *stamp = stampFrom(info);
    return file;
}
