#include "flo_format.h"

#include "cerror.h"

#include <cstring>

namespace flo {

namespace {

static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "the header holds 4-byte items");

bool readItem(std::FILE *file, void *item)
{
    return std::fread(item, 4, 1, file) == 1;
}

} // namespace

FlowInput openFloFile(const char *path)
{
    if (!path)
        throw CError("ReadFlowFile: empty filename");
    if (!isFloName(path))
        throw CError("ReadFlowFile (%s): extension .flo expected", path);

    // A directory or a device holds no flow, and a FIFO would block the open.
    FileStamp opened;
    FilePtr file = openRegularFile(path, &opened);
    if (!file)
        throw CError(kCouldNotOpen, path);
    return FlowInput(path, std::move(file), opened);
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

bool isFloName(const char *path)
{
    if (!path)
        return false;
    const std::size_t length = std::strlen(path);
    return length >= 4 && std::strcmp(path + length - 4, ".flo") == 0;
}
