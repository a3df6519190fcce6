#ifndef FLO_FORMAT_H
#define FLO_FORMAT_H

// What every .flo road shares: the format's constants, ReadFlowFile's messages, the name rule,
// and the open and header steps, so that each road gives the same message for the same fault
// in the same order.

#include "flow_input.h"

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
// Its first bytes are not read: the name has said what it is.
FlowInput openFloFile(const char *path);

// Tag, width, height, each assigned only once its 4 bytes have arrived whole.
void readFloHeader(std::FILE *file, const char *path, float &tag, int &width, int &height);

// Tag first, then width, then height.
void checkFloHeader(const char *path, float tag, int width, int height);

} // namespace flo

// Whether path ends in ".flo", case and all: the viewer's test for a .flo file ("x.FLO" is
// not one) and ReadFlowFile's extension test, which agree since "flo" holds no dot. False for
// a null path.
bool isFloName(const char *path);

#endif // FLO_FORMAT_H
