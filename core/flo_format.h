#ifndef FLO_FORMAT_H
#define FLO_FORMAT_H

// What the .flo readers and the pre-allocation check share: the format's constants, the
// messages both report, and the path, open and header steps, so that both give the same
// message for the same fault in the same order.

#include <cstdint>
#include <cstdio>
#include <memory>

namespace flo {

constexpr float kTag = 202021.25f;
constexpr int kMaxSide = 99999;
constexpr std::int64_t kHeaderBytes = 12;
constexpr std::int64_t kPixelBytes = 8;

constexpr const char *kCouldNotOpen = "ReadFlowFile: could not open %s";
constexpr const char *kProblemReading = "ReadFlowFile: problem reading file %s";
constexpr const char *kTooShort = "ReadFlowFile(%s): file is too short";
constexpr const char *kTooLong = "ReadFlowFile(%s): file is too long";
constexpr const char *kChanged = "ReadFlowFile(%s): file changed while being read";

struct FileCloser {
    void operator()(std::FILE *file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// What identifies one version of an open file's contents: a write in place changes the
// modification time (at the tick of the clock behind it) or the length. Not the change time:
// a rename over the file's name changes that of the file still open, whose data stay as read.
struct FileStamp {
    std::int64_t bytes = 0;
    std::int64_t modified = 0; // nanoseconds
    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.bytes == b.bytes && a.modified == b.modified;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};

// The null-path, extension and regular-file tests, then the file opened for binary reading.
// stamp, when given, receives the opened file's length and times.
FilePtr openFloFile(const char *path, FileStamp *stamp = nullptr);

// The stamp of the open file now; all zero when it cannot be had.
FileStamp stampOf(std::FILE *file);

// Tag, width, height, each assigned only once its 4 bytes have arrived whole.
void readFloHeader(std::FILE *file, const char *path, float &tag, int &width, int &height);

// Tag first, then width, then height.
void checkFloHeader(const char *path, float tag, int width, int height);

} // namespace flo

#endif // FLO_FORMAT_H
