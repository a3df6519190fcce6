#ifndef FLO_FORMAT_H
#define FLO_FORMAT_H

// What the .flo readers and the pre-allocation check share: the format's constants, the
// messages both report, and the path, open and header steps, so that both give the same
// message for the same fault in the same order.

#include "regular_file.h"

#include <cstdint>
#include <cstdio>

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

// The null-path, extension and regular-file tests, then the file opened for binary reading.
// stamp, when given, receives the opened file's length and times.
FilePtr openFloFile(const char *path, FileStamp *stamp = nullptr);

// Tag, width, height, each assigned only once its 4 bytes have arrived whole.
void readFloHeader(std::FILE *file, const char *path, float &tag, int &width, int &height);

// Tag first, then width, then height.
void checkFloHeader(const char *path, float tag, int width, int height);

} // namespace flo

#endif // FLO_FORMAT_H
