#include "flo_check.h"

#include "cerror.h"
#include "flo_format.h"

void CheckFlowFile(const char *path)
{
    std::int64_t fileBytes = 0;
    const flo::FilePtr file = flo::openFloFile(path, &fileBytes);
    float tag;
    int width;
    int height;
    flo::readFloHeader(file.get(), path, tag, width, height);
    flo::checkFloHeader(path, tag, width, height);

    const std::int64_t expected =
        flo::kHeaderBytes + flo::kPixelBytes * std::int64_t(width) * std::int64_t(height);
    if (fileBytes < expected)
        throw CError(flo::kTooShort, path);
    if (fileBytes > expected)
        throw CError(flo::kTooLong, path);
}
