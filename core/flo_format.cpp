#include "flo_format.h"

#include "cerror.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flo {

namespace {

static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "the header holds 4-byte items");

bool readItem(std::FILE *file, void *item)
{
    return std::fread(item, 4, 1, file) == 1;
}

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

FilePtr openFloFile(const char *path, FileStamp *stamp)
{
    if (!path)
        throw CError("ReadFlowFile: empty filename");
    const char *extension = std::strrchr(path, '.');
    if (!extension || std::strcmp(extension, ".flo") != 0)
        throw CError("ReadFlowFile (%s): extension .flo expected", path);

    // Opening a FIFO blocks until a writer appears, and a directory or a device holds no flow:
    // only regular files get as far as an open.
    struct stat info;
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        throw CError(kCouldNotOpen, path);
    // Non-blocking, in case a FIFO is swapped in after the test; reads of a regular file
    // ignore the flag, and the descriptor is checked again once open.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw CError(kCouldNotOpen, path);
    FilePtr file;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        file.reset(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        throw CError(kCouldNotOpen, path);
    }
    if (stamp)
        *stamp = stampFrom(info);
    return file;
}

void readFloHeader(std::FILE *file, const char *path, float &tag, int &width, int &height)
{
    float tagRead;
    std::int32_t widthRead;
    std::int32_t heightRead;
    if (!readItem(file, &tagRead))
        throw CError(kProblemReading, path);
    tag = tagRead;
    if (!readItem(file, &widthRead))
        throw CError(kProblemReading, path);
    width = widthRead;
    if (!readItem(file, &heightRead))
        throw CError(kProblemReading, path);
    height = heightRead;
}

void checkFloHeader(const char *path, float tag, int width, int height)
{
    // A NaN tag compares unequal too. Read on a big-endian host the tag's bytes land reversed
    // and fail here, which is why the message names that cause.
    if (tag != kTag)
        throw CError("ReadFlowFile(%s): wrong tag (possibly due to big-endian machine?)", path);
    if (width < 1 || width > kMaxSide)
        throw CError("ReadFlowFile(%s): illegal width %d", path, width);
    if (height < 1 || height > kMaxSide)
        throw CError("ReadFlowFile(%s): illegal height %d", path, height);
}

} // namespace flo
